#include "platform/gbk_literal.h"

#include "platform/codepage.h"

namespace platform {

std::string gbk(std::string_view utf8) { return fromUtf16(toUtf16(utf8, 65001), 936); }

}  // namespace platform
