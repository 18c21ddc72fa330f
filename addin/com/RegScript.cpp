#include "RegScript.h"

#include "AsciiText.h"

#include <cstddef>

namespace Registrar {

namespace {

// Deeper nesting than any real registration needs; it bounds the parser's recursion.
constexpr int kMaxDepth = 32;

struct Token {
    enum class Kind { Word, Quoted, Open, Close, Equals, End };
    Kind kind = Kind::End;
    std::string text;
    std::size_t offset = 0;
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

class Parser {
public:
    explicit Parser(const std::string& text) : m_text(text) {}

    bool Run(Script& out) {
        Script script;
        if (!Advance())
            return false;
        while (m_token.kind != Token::Kind::End) {
            RootBlock block;
            if (!ParseRoot(block))
                return false;
            script.roots.push_back(std::move(block));
        }
        out = std::move(script);
        return true;
    }
    const std::string& Error() const { return m_error; }

private:
    bool Fail(const std::string& what) {
        if (m_error.empty())
            m_error = what + " at offset " + std::to_string(m_token.offset);
        return false;
    }

    // Reads the next token into m_token; false (with the error set) for unterminated quoted text.
    bool Next() {
        std::size_t i = m_pos;
        while (i < m_text.size() && IsBlank(m_text[i]))
            ++i;
        m_token = Token();
        m_token.offset = i;
        if (i >= m_text.size()) {
            m_pos = i;
            return true;
        }
        char c = m_text[i];
        if (c == '\'') {
            std::string text;
            ++i;
            for (;;) {
                if (i >= m_text.size()) {
                    m_pos = i;
                    m_token.kind = Token::Kind::End;
                    m_bad = true;
                    return Fail("unterminated quoted text");
                }
                if (m_text[i] == '\'') {
                    if (i + 1 < m_text.size() && m_text[i + 1] == '\'') {
                        text += '\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                text += m_text[i++];
            }
            m_token.kind = Token::Kind::Quoted;
            m_token.text = std::move(text);
            m_pos = i;
            return true;
        }
        if (c == '=') {
            m_token.kind = Token::Kind::Equals;
            m_pos = i + 1;
            return true;
        }
        std::size_t start = i;
        while (i < m_text.size() && !IsBlank(m_text[i]) && m_text[i] != '=' && m_text[i] != '\'')
            ++i;
        m_token.text = m_text.substr(start, i - start);
        if (m_token.text == "{")
            m_token.kind = Token::Kind::Open;
        else if (m_token.text == "}")
            m_token.kind = Token::Kind::Close;
        else
            m_token.kind = Token::Kind::Word;
        m_pos = i;
        return true;
    }

    bool Advance() { return Next() && !m_bad; }

    bool ParseRoot(RootBlock& block) {
        if (m_token.kind != Token::Kind::Word)
            return Fail("root key expected");
        const std::string& name = m_token.text;
        if (AsciiEqualNoCase(name, "HKCR") || AsciiEqualNoCase(name, "HKEY_CLASSES_ROOT"))
            block.root = RootKey::ClassesRoot;
        else if (AsciiEqualNoCase(name, "HKCU") || AsciiEqualNoCase(name, "HKEY_CURRENT_USER"))
            block.root = RootKey::CurrentUser;
        else if (AsciiEqualNoCase(name, "HKLM") || AsciiEqualNoCase(name, "HKEY_LOCAL_MACHINE"))
            block.root = RootKey::LocalMachine;
        else if (AsciiEqualNoCase(name, "HKU") || AsciiEqualNoCase(name, "HKEY_USERS"))
            block.root = RootKey::Users;
        else
            return Fail("unknown root key '" + name + "'");
        if (!Advance())
            return false;
        return ParseBlock(block.keys, nullptr, 1);
    }

    // "{ item... }"; values go to `values` (null at root level, where they are not allowed).
    bool ParseBlock(std::vector<Key>& keys, std::vector<NamedValue>* values, int depth) {
        if (depth > kMaxDepth)
            return Fail("blocks nested too deeply");
        if (m_token.kind != Token::Kind::Open)
            return Fail("'{' expected");
        if (!Advance())
            return false;
        while (m_token.kind != Token::Kind::Close) {
            if (m_token.kind == Token::Kind::End)
                return Fail("'}' expected");
            if (m_token.kind == Token::Kind::Word && AsciiEqualNoCase(m_token.text, "val")) {
                if (!values)
                    return Fail("a value needs a key");
                NamedValue named;
                if (!Advance() || !ParseName(named.name) || !ParseEquals() || !ParseValue(named.value))
                    return false;
                values->push_back(std::move(named));
                continue;
            }
            Key key;
            if (!ParseKey(key, depth))
                return false;
            keys.push_back(std::move(key));
        }
        return Advance();
    }

    bool ParseKey(Key& key, int depth) {
        if (m_token.kind == Token::Kind::Word && AsciiEqualNoCase(m_token.text, "NoRemove")) {
            key.mark = KeyMark::NoRemove;
            if (!Advance())
                return false;
        } else if (m_token.kind == Token::Kind::Word && AsciiEqualNoCase(m_token.text, "ForceRemove")) {
            key.mark = KeyMark::ForceRemove;
            if (!Advance())
                return false;
        }
        if (!ParseName(key.name))
            return false;
        if (key.name.find('\\') != std::string::npos)
            return Fail("key name with a backslash");
        if (m_token.kind == Token::Kind::Equals) {
            if (!Advance() || !ParseValue(key.defaultValue))
                return false;
            key.hasDefault = true;
        }
        if (m_token.kind == Token::Kind::Open)
            return ParseBlock(key.subkeys, &key.values, depth + 1);
        return true;
    }

    bool ParseName(std::string& name) {
        if (m_token.kind != Token::Kind::Word && m_token.kind != Token::Kind::Quoted)
            return Fail("name expected");
        if (m_token.text.empty())
            return Fail("empty name");
        name = m_token.text;
        return Advance();
    }

    bool ParseEquals() {
        if (m_token.kind != Token::Kind::Equals)
            return Fail("'=' expected");
        return Advance();
    }

    bool ParseValue(Value& value) {
        if (m_token.kind != Token::Kind::Word)
            return Fail("value type expected");
        bool number;
        if (AsciiEqualNoCase(m_token.text, "s"))
            number = false;
        else if (AsciiEqualNoCase(m_token.text, "d"))
            number = true;
        else
            return Fail("unknown value type '" + m_token.text + "'");
        if (!Advance())
            return false;
        if (m_token.kind != Token::Kind::Quoted)
            return Fail("quoted value expected");
        if (number) {
            const std::string& digits = m_token.text;
            if (digits.empty())
                return Fail("empty number");
            std::uint64_t n = 0;
            for (char c : digits) {
                if (c < '0' || c > '9')
                    return Fail("number with a non-digit");
                n = n * 10 + static_cast<unsigned>(c - '0');
                if (n > 0xFFFFFFFFull)
                    return Fail("number out of range");
            }
            value.type = Value::Type::Number;
            value.number = static_cast<std::uint32_t>(n);
        } else {
            value.type = Value::Type::String;
            value.text = m_token.text;
        }
        return Advance();
    }

    const std::string& m_text;
    std::size_t m_pos = 0;
    Token m_token;
    bool m_bad = false;
    std::string m_error;
};

} // namespace

bool ExpandTokens(const std::string& text, const std::vector<Replacement>& replacements, std::string& out) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            result += text[i];
            continue;
        }
        std::size_t end = text.find('%', i + 1);
        if (end == std::string::npos)
            return false;
        if (end == i + 1) {
            result += '%';
        } else {
            std::string token = text.substr(i + 1, end - i - 1);
            const Replacement* found = nullptr;
            for (const Replacement& r : replacements)
                if (AsciiEqualNoCase(token, r.token.c_str()))
                    found = &r;
            if (!found)
                return false;
            result += found->text;
        }
        i = end;
    }
    out = std::move(result);
    return true;
}

std::string QuoteForScript(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        out += c;
        if (c == '\'')
            out += '\'';
    }
    return out;
}

bool Parse(const std::string& text, Script& out, std::string* error) {
    Parser parser(text);
    bool ok = parser.Run(out);
    if (!ok && error)
        *error = parser.Error();
    return ok;
}

} // namespace Registrar
