#include "platform/codepage.h"

#include <errno.h>
#include <iconv.h>

#include <map>
#include <utility>

namespace platform {
namespace {

// One move-only owner per iconv_t. A converter is not thread-safe, so each thread keeps its own.
class Converter {
public:
    Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    Converter(Converter&& other) noexcept : handle_(std::exchange(other.handle_, invalid())) {}
    Converter& operator=(Converter&&) = delete;
    Converter(const Converter&) = delete;
    ~Converter() {
        if (valid()) iconv_close(handle_);
    }
    bool valid() const { return handle_ != invalid(); }
    iconv_t get() const { return handle_; }

private:
    static iconv_t invalid() { return reinterpret_cast<iconv_t>(-1); }
    iconv_t handle_;
};

// iconv_open costs far more than a short conversion, so converters are kept per thread and per pair.
Converter& converter(const std::string& to, const std::string& from) {
    thread_local std::map<std::pair<std::string, std::string>, Converter> cache;
    auto key = std::make_pair(to, from);
    auto it = cache.find(key);
    if (it == cache.end()) it = cache.emplace(key, Converter(to.c_str(), from.c_str())).first;
    iconv(it->second.get(), nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    return it->second;
}

const char* iconvName(int codePage) {
    return codePage == 65001 ? "UTF-8" : "CP936";  // 936 and 0 (the ANSI code page) alike
}

// Converts `in`, replacing each input unit that cannot be converted by `replacement` (already in the
// target encoding) and skipping `skip` bytes of input for it.
std::string convert(Converter& conv, std::string_view in, std::string_view replacement, size_t skip) {
    std::string out;
    out.resize(in.size() * 2 + 16);
    char* inPtr = const_cast<char*>(in.data());
    size_t inLeft = in.size();
    size_t used = 0;
    while (inLeft > 0) {
        char* outPtr = out.data() + used;
        size_t outLeft = out.size() - used;
        size_t rc = iconv(conv.get(), &inPtr, &inLeft, &outPtr, &outLeft);
        used = out.size() - outLeft;
        if (rc != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        // EILSEQ or EINVAL (cut short at the end): replace one unit and go on.
        if (out.size() - used < replacement.size()) out.resize(out.size() * 2 + replacement.size());
        out.replace(used, replacement.size(), replacement);
        used += replacement.size();
        size_t step = std::min(skip, inLeft);
        inPtr += step;
        inLeft -= step;
        iconv(conv.get(), nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(used);
    return out;
}

}  // namespace

std::u16string toUtf16(std::string_view bytes, int codePage) {
    if (bytes.empty()) return {};
    Converter& conv = converter("UTF-16LE", iconvName(codePage));
    if (!conv.valid()) return {};
    static constexpr char kReplacement[] = {'\xFD', '\xFF'};  // U+FFFD little-endian
    std::string raw = convert(conv, bytes, std::string_view(kReplacement, 2), 1);
    std::u16string result(raw.size() / 2, u'\0');
    for (size_t i = 0; i < result.size(); ++i) {
        result[i] = static_cast<char16_t>(static_cast<unsigned char>(raw[2 * i]) |
                                          (static_cast<unsigned char>(raw[2 * i + 1]) << 8));
    }
    return result;
}

std::string fromUtf16(std::u16string_view text, int codePage) {
    if (text.empty()) return {};
    Converter& conv = converter(iconvName(codePage), "UTF-16LE");
    if (!conv.valid()) return {};
    std::string raw(text.size() * 2, '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        raw[2 * i] = static_cast<char>(text[i] & 0xFF);
        raw[2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
    return convert(conv, raw, "?", 2);
}

std::optional<std::string> charsetToGbk(std::string_view bytes, std::string_view charsetName) {
    Converter& toWide = converter("UTF-16LE", std::string(charsetName));
    if (!toWide.valid()) return std::nullopt;
    static constexpr char kReplacement[] = {'\xFD', '\xFF'};
    std::string raw = convert(toWide, bytes, std::string_view(kReplacement, 2), 1);
    std::u16string wide(raw.size() / 2, u'\0');
    for (size_t i = 0; i < wide.size(); ++i) {
        wide[i] = static_cast<char16_t>(static_cast<unsigned char>(raw[2 * i]) |
                                        (static_cast<unsigned char>(raw[2 * i + 1]) << 8));
    }
    return fromUtf16(wide, 936);
}

}  // namespace platform
