// Registration scripts: a small text format that describes registry keys and values, the way
// COM servers describe what they register. This part only reads the text; RegExecutor applies it.
//
//   HKCR { NoRemove CLSID { ForceRemove {guid} = s 'Name' { InprocServer32 = s '%MODULE%' {
//       val ThreadingModel = s 'Apartment' } } } }
//
// Tokens are separated by blanks; "{", "}" and "=" stand alone. Values are typed: s 'text' or
// d 'decimal digits'. Single quotes inside quoted text are doubled.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace Registrar {

enum class RootKey { ClassesRoot, CurrentUser, LocalMachine, Users };
enum class KeyMark { None, NoRemove, ForceRemove };

struct Value {
    enum class Type { String, Number };
    Type type = Type::String;
    std::string text;         // Type::String
    std::uint32_t number = 0; // Type::Number
};

struct NamedValue {
    std::string name;
    Value value;
};

struct Key {
    std::string name;
    KeyMark mark = KeyMark::None;
    bool hasDefault = false;
    Value defaultValue;
    std::vector<NamedValue> values;
    std::vector<Key> subkeys;
};

struct RootBlock {
    RootKey root = RootKey::ClassesRoot;
    std::vector<Key> keys;
};

struct Script {
    std::vector<RootBlock> roots;
};

struct Replacement {
    std::string token; // without the percent signs
    std::string text;
};

// Replaces every %TOKEN% by its text in one pass (replaced text is not scanned again); "%%" gives
// a single "%". False for an unknown or unterminated token.
bool ExpandTokens(const std::string& text, const std::vector<Replacement>& replacements, std::string& out);

// The text with every single quote doubled, ready to stand inside a quoted script string.
std::string QuoteForScript(const std::string& text);

// Reads a whole script. On failure returns false, leaves `out` untouched and, when `error` is
// given, says what was wrong and where.
bool Parse(const std::string& text, Script& out, std::string* error = nullptr);

} // namespace Registrar
