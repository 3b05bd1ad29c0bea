#include "platform/codepage.h"

#include <errno.h>
#include <iconv.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <map>
#include <utility>

namespace platform {
namespace {

// char16_t texts are handed to iconv as they lie in memory.
constexpr const char* kNativeUtf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

// The one owner of an iconv_t. A converter is not thread-safe, so each thread keeps its own.
class Converter {
public:
    Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    Converter(Converter&& other) noexcept : handle_(std::exchange(other.handle_, invalid())) {}
    Converter& operator=(Converter&& other) noexcept {
        std::swap(handle_, other.handle_);
        return *this;
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
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
// Only names iconv knows are kept, so odd charset names from web pages do not pile up.
// nullptr when iconv has no such conversion.
Converter* converter(const std::string& to, const std::string& from) {
    thread_local std::map<std::pair<std::string, std::string>, Converter> cache;
    auto key = std::make_pair(to, from);
    auto it = cache.find(key);
    if (it == cache.end()) {
        Converter fresh(to.c_str(), from.c_str());
        if (!fresh.valid()) return nullptr;
        it = cache.emplace(std::move(key), std::move(fresh)).first;
    }
    iconv(it->second.get(), nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    return &it->second;
}

std::string iconvName(int codePage) {
    if (codePage == 65001) return "UTF-8";
    if (codePage == 936 || codePage == 0) return "CP936";
    return "CP" + std::to_string(codePage);
}

// How many input bytes one unconvertible unit takes: one byte of a multi-byte code page (so a bad lead
// byte does not swallow the good byte after it), one UTF-16 unit or a whole surrogate pair.
using SkipRule = size_t (*)(const char* in, size_t left);

size_t skipByte(const char*, size_t) { return 1; }

size_t skipUtf16Character(const char* in, size_t left) {
    if (left < 2) return left;
    char16_t first;
    std::memcpy(&first, in, 2);
    if (first >= 0xD800 && first <= 0xDBFF && left >= 4) {
        char16_t second;
        std::memcpy(&second, in + 2, 2);
        if (second >= 0xDC00 && second <= 0xDFFF) return 4;
    }
    return 2;
}

// The length of the well-formed UTF-8 sequence at `in`, or 1 when there is none: a character iconv
// cannot write in the target is then replaced once, not once per byte.
size_t skipUtf8Character(const char* in, size_t left) {
    const auto lead = static_cast<unsigned char>(in[0]);
    const size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 && lead < 0xE0 ? 2 : 1;
    if (length == 1 || length > left) return 1;
    // Overlong forms, surrogates and code points past U+10FFFF are malformed, byte by byte.
    const auto second = static_cast<unsigned char>(in[1]);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) || (lead == 0xF0 && second < 0x90) ||
        (lead == 0xF4 && second > 0x8F)) {
        return 1;
    }
    for (size_t k = 1; k < length; ++k) {
        if ((static_cast<unsigned char>(in[k]) & 0xC0) != 0x80) return 1;
    }
    return length;
}

// Converts all of `in`; each unit iconv rejects (malformed, cut short or without a form in the target)
// becomes `replacement`, which is already in the target encoding, and the conversion goes on after it.
// The work buffer is kept per thread: fresh memory for every large answer costs more here than the
// conversion itself.
std::string convert(Converter& conv, std::string_view in, std::string_view replacement, SkipRule skip) {
    thread_local std::string out;
    const size_t wanted = in.size() * 2 + 16;
    if (out.size() < wanted) out.resize(wanted);
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
        // EILSEQ, or EINVAL for a sequence cut short by the end of the input.
        if (out.size() - used < replacement.size()) out.resize(out.size() * 2 + replacement.size());
        std::memcpy(out.data() + used, replacement.data(), replacement.size());
        used += replacement.size();
        size_t step = std::min(skip(inPtr, inLeft), inLeft);
        inPtr += step;
        inLeft -= step;
        iconv(conv.get(), nullptr, nullptr, nullptr, nullptr);
    }
    std::string result(out.data(), used);
    if (out.size() > (size_t{64} << 20)) std::string().swap(out);  // keep no huge buffer for later
    return result;
}

std::u16string toUtf16From(std::string_view bytes, const std::string& fromName, bool& known) {
    Converter* conv = converter(kNativeUtf16, fromName);
    known = conv != nullptr;
    if (!conv || bytes.empty()) return {};
    static constexpr char16_t kReplacement = 0xFFFD;
    std::string raw = convert(*conv, bytes,
                              std::string_view(reinterpret_cast<const char*>(&kReplacement), 2), skipByte);
    std::u16string result(raw.size() / 2, u'\0');
    std::memcpy(result.data(), raw.data(), result.size() * 2);
    return result;
}

}  // namespace

std::u16string toUtf16(std::string_view bytes, int codePage) {
    bool known = false;
    return toUtf16From(bytes, iconvName(codePage), known);
}

std::string fromUtf16(std::u16string_view text, int codePage) {
    if (text.empty()) return {};
    Converter* conv = converter(iconvName(codePage), kNativeUtf16);
    if (!conv) return {};
    std::string_view raw(reinterpret_cast<const char*>(text.data()), text.size() * 2);
    return convert(*conv, raw, "?", skipUtf16Character);
}

std::string convertText(std::string_view bytes, int fromCodePage, int toCodePage) {
    if (bytes.empty()) return {};
    Converter* conv = converter(iconvName(toCodePage), iconvName(fromCodePage));
    if (!conv) return {};
    // What U+FFFD, the replacement of the way through UTF-16, becomes in the target.
    const std::string_view replacement = toCodePage == 65001 ? std::string_view("\xEF\xBF\xBD") : "?";
    return convert(*conv, bytes, replacement, fromCodePage == 65001 ? skipUtf8Character : skipByte);
}

std::optional<std::string> charsetToGbk(std::string_view bytes, std::string_view charsetName) {
    if (charsetName.empty() || charsetName.find('\0') != std::string_view::npos) return std::nullopt;
    bool known = false;
    std::u16string wide = toUtf16From(bytes, std::string(charsetName), known);
    if (!known) return std::nullopt;
    return fromUtf16(wide, 936);
}

}  // namespace platform
