#pragma once
// The program's own texts ("信息：", "开始查询", ...) are written in the sources as UTF-8 and used as
// code page 936 texts; gbk() converts one once, at first use.

#include <string>
#include <string_view>

namespace platform {

// gbk("信息：") == "\xD0\xC5\xCF\xA2\xA3\xBA".
std::string gbk(std::string_view utf8);

}  // namespace platform
