// Text and byte-string values and the operations on them.
//
// A Text is a run of bytes in code page 936 (GBK) that holds no zero byte;
// positions are 1-based byte positions and a search that finds nothing gives
// -1. Bytes is a counted byte string that may hold any byte. Every operation
// returns a new value and leaves its arguments alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

class Text {
public:
    Text() = default;
    // The bytes up to the first zero byte (the whole run when there is none).
    Text(const char* zeroTerminated);
    Text(const char* data, size_t size);
    explicit Text(std::string_view bytes);
    explicit Text(std::string&& bytes);

    const char* c_str() const { return bytes_.c_str(); }
    const std::string& str() const { return bytes_; }
    std::string_view view() const { return bytes_; }
    int32_t size() const { return static_cast<int32_t>(bytes_.size()); }
    bool empty() const { return bytes_.empty(); }
    unsigned char at(int32_t offset) const { return static_cast<unsigned char>(bytes_[offset]); }

    friend bool operator==(const Text& a, const Text& b) { return a.bytes_ == b.bytes_; }

private:
    void CutAtZero();
    std::string bytes_;
};

class Bytes {
public:
    Bytes() = default;
    Bytes(const void* data, size_t size) : bytes_(static_cast<const char*>(data), size) {}
    explicit Bytes(std::string&& bytes) : bytes_(std::move(bytes)) {}

    const char* data() const { return bytes_.data(); }
    char* data() { return bytes_.data(); }
    const std::string& str() const { return bytes_; }
    int32_t size() const { return static_cast<int32_t>(bytes_.size()); }
    bool empty() const { return bytes_.empty(); }
    // Growing a byte string in place (the page request's body) keeps the
    // appends amortised; the value semantics stay as they are.
    void Append(const void* data, size_t size) { bytes_.append(static_cast<const char*>(data), size); }

    friend bool operator==(const Bytes& a, const Bytes& b) { return a.bytes_ == b.bytes_; }

private:
    std::string bytes_;
};

// Passed as a count where no limit is wanted (any negative count means that).
constexpr int32_t kNoLimit = -1;

int32_t TextLength(const Text& text);

// Byte comparison of unsigned bytes: -1, 0 or 1.
int CompareText(const Text& first, const Text& second);
// With caseSensitive false, ASCII letters fold to lower case and two-byte
// characters compare as their upper-case forms in the Chinese (PRC) locale.
int CompareText(const Text& first, const Text& second, bool caseSensitive);

// Note the opposite flag: FindText takes ignoreCase.
int32_t FindText(const Text& text, const Text& sought, int32_t start = 1, bool ignoreCase = false);

Text LeftText(const Text& text, int32_t count);
Text RightText(const Text& text, int32_t count);
Text MidText(const Text& text, int32_t start, int32_t count);
Text ReplaceAt(const Text& text, int32_t start, int32_t count, const Text& replacement = Text());
Text ReplaceAll(const Text& text, const Text& old, const Text& replacement, int32_t start, int32_t count,
                bool caseSensitive);

Text ToLowerText(const Text& text);
Text ToUpperText(const Text& text);
Text TrimBothEnds(const Text& text);
Text RemoveAllSpaces(const Text& text);

double ToNumber(const Text& text);
Text ToHexText(int32_t value);
Text NumberToText(int32_t value);
Text CharText(int32_t code);
Text BlankText(int32_t count);
Bytes BlankBytes(int32_t count);

Bytes TextToBytes(const Text& text);
Text BytesToText(const Bytes& bytes);
int32_t BytesLength(const Bytes& bytes);
Bytes BytesLeft(const Bytes& bytes, int32_t count);

namespace text_detail {
inline std::string_view ViewOf(const Text& text) { return text.view(); }
inline std::string_view ViewOf(const char* text) { return text; }
Text ConcatViews(std::initializer_list<std::string_view> parts);
Bytes ConcatByteViews(std::initializer_list<std::string_view> parts);
}  // namespace text_detail

// The parts one after the other, measured first and allocated once.
template <typename... More>
Text ConcatText(const Text& first, const Text& second, const More&... more)
{
    return text_detail::ConcatViews({first.view(), second.view(), text_detail::ViewOf(more)...});
}

template <typename... More>
Bytes ConcatBytes(const Bytes& first, const Bytes& second, const More&... more)
{
    return text_detail::ConcatByteViews({std::string_view(first.str()), std::string_view(second.str()),
                                         std::string_view(more.str())...});
}
