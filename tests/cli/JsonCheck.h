#pragma once

#include <cctype>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace corvane::test {

// A strict reader of JSON text (RFC 8259) that checks it and keeps nothing: what a JSON
// reader downstream of corvane-cli would accept. Returns the reason of the first fault, or
// nullopt when the text is one valid JSON value in valid UTF-8.
class JsonCheck {
public:
    static std::optional<std::string> Fault(std::string_view text) {
        JsonCheck c(text);
        if (auto f = c.Utf8()) return f;
        c.Space();
        if (!c.Value()) return c.m_fault;
        c.Space();
        if (c.m_at != text.size()) return "text after the value at " + std::to_string(c.m_at);
        return std::nullopt;
    }

private:
    explicit JsonCheck(std::string_view text) : m_text(text) {}

    // Lead bytes and continuation bytes (overlong three-byte forms and surrogates aside).
    std::optional<std::string> Utf8() const {
        for (std::size_t i = 0; i < m_text.size();) {
            const auto b = static_cast<unsigned char>(m_text[i]);
            std::size_t extra = 0;
            if (b < 0x80) extra = 0;
            else if (b >= 0xC2 && b <= 0xDF) extra = 1;
            else if ((b & 0xF0) == 0xE0) extra = 2;
            else if (b >= 0xF0 && b <= 0xF4) extra = 3;
            else return "not UTF-8 at byte " + std::to_string(i);
            if (i + extra >= m_text.size() && extra > 0) return "not UTF-8 at byte " + std::to_string(i);
            for (std::size_t k = 1; k <= extra; ++k)
                if ((static_cast<unsigned char>(m_text[i + k]) & 0xC0) != 0x80)
                    return "not UTF-8 at byte " + std::to_string(i);
            i += 1 + extra;
        }
        return std::nullopt;
    }

    bool Fail(const std::string& why) {
        m_fault = why + " at " + std::to_string(m_at);
        return false;
    }
    [[nodiscard]] bool More() const { return m_at < m_text.size(); }
    [[nodiscard]] char Peek() const { return More() ? m_text[m_at] : '\0'; }
    void Space() {
        while (More() && std::strchr(" \t\r\n", m_text[m_at]) != nullptr) ++m_at;
    }
    bool Literal(std::string_view word) {
        if (m_text.substr(m_at, word.size()) != word) return Fail("bad literal");
        m_at += word.size();
        return true;
    }
    bool Value() {
        switch (Peek()) {
            case '{': return Container('}', true);
            case '[': return Container(']', false);
            case '"': return String();
            case 't': return Literal("true");
            case 'f': return Literal("false");
            case 'n': return Literal("null");
            default: return Number();
        }
    }
    bool Container(char close, bool object) {
        ++m_at;
        Space();
        if (Peek() == close) return ++m_at, true;
        for (;;) {
            if (object) {
                if (!String()) return false;
                Space();
                if (Peek() != ':') return Fail("':' expected");
                ++m_at;
                Space();
            }
            if (!Value()) return false;
            Space();
            if (Peek() == close) return ++m_at, true;
            if (Peek() != ',') return Fail("',' expected");
            ++m_at;
            Space();
        }
    }
    bool String() {
        if (Peek() != '"') return Fail("string expected");
        for (++m_at; More(); ++m_at) {
            const auto c = static_cast<unsigned char>(m_text[m_at]);
            if (c == '"') return ++m_at, true;
            if (c < 0x20) return Fail("raw control character in a string");
            if (c != '\\') continue;
            ++m_at;
            if (Peek() == 'u') {
                for (int k = 0; k < 4; ++k)
                    if (++m_at >= m_text.size() || !std::isxdigit(static_cast<unsigned char>(m_text[m_at])))
                        return Fail("bad \\u escape");
            } else if (std::strchr("\"\\/bfnrt", Peek()) == nullptr || !More()) {
                return Fail("bad escape");
            }
        }
        return Fail("unterminated string");
    }
    bool Number() {
        const std::size_t start = m_at;
        if (Peek() == '-') ++m_at;
        if (Peek() == '0') {
            ++m_at;
        } else if (std::isdigit(static_cast<unsigned char>(Peek()))) {
            while (std::isdigit(static_cast<unsigned char>(Peek()))) ++m_at;
        } else {
            return Fail("value expected");
        }
        if (Peek() == '.') {
            ++m_at;
            if (!std::isdigit(static_cast<unsigned char>(Peek()))) return Fail("digit expected");
            while (std::isdigit(static_cast<unsigned char>(Peek()))) ++m_at;
        }
        if (Peek() == 'e' || Peek() == 'E') {
            ++m_at;
            if (Peek() == '+' || Peek() == '-') ++m_at;
            if (!std::isdigit(static_cast<unsigned char>(Peek()))) return Fail("digit expected");
            while (std::isdigit(static_cast<unsigned char>(Peek()))) ++m_at;
        }
        return m_at > start;
    }

    std::string_view m_text;
    std::size_t m_at = 0;
    std::string m_fault;
};

}  // namespace corvane::test
