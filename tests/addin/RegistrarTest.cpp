// The registration script of the add-in applied to an in-memory registry: what registering
// writes, what unregistering leaves, and which scripts are refused.
#include "MemoryRegistry.h"
#include "RegExecutor.h"
#include "RegScript.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace Registrar;

namespace {

const char kClsidKey[] = "HKCR\\CLSID\\{41469133-F84A-40AF-9380-CE776F52EF86}";
const char kAddinsKey[] = "HKCU\\Software\\Microsoft\\Office\\Outlook\\Addins";
// A path with blanks and a single quote, as an install folder may have.
const char kModule[] = "C:\\Program Files\\Bob's Tools\\VaroAddin.dll";

std::string ShippedScript() {
    std::ifstream in(VARO_TEST_SOURCE_DIR "/addin/VaroAddin.rgs", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

Script LoadScript(const std::string& module = kModule) {
    std::string expanded;
    EXPECT_TRUE(ExpandTokens(ShippedScript(), {{"MODULE", QuoteForScript(module)}}, expanded));
    Script script;
    std::string error;
    EXPECT_TRUE(Parse(expanded, script, &error)) << error;
    return script;
}

Value String(const std::string& text) {
    Value v;
    v.text = text;
    return v;
}

const char kRegistered[] = R"(HKCR\CLSID
HKCR\CLSID\{41469133-F84A-40AF-9380-CE776F52EF86}
HKCR\CLSID\{41469133-F84A-40AF-9380-CE776F52EF86} @ = s 'Addin Class'
HKCR\CLSID\{41469133-F84A-40AF-9380-CE776F52EF86}\InprocServer32
HKCR\CLSID\{41469133-F84A-40AF-9380-CE776F52EF86}\InprocServer32 @ = s 'C:\Program Files\Bob's Tools\VaroAddin.dll'
HKCR\CLSID\{41469133-F84A-40AF-9380-CE776F52EF86}\InprocServer32 ThreadingModel = s 'Apartment'
HKCR\CLSID\{41469133-F84A-40AF-9380-CE776F52EF86}\ProgID
HKCR\CLSID\{41469133-F84A-40AF-9380-CE776F52EF86}\ProgID @ = s 'VaroAddin.Addin.1'
HKCR\CLSID\{41469133-F84A-40AF-9380-CE776F52EF86}\Programmable
HKCR\CLSID\{41469133-F84A-40AF-9380-CE776F52EF86}\TypeLib
HKCR\CLSID\{41469133-F84A-40AF-9380-CE776F52EF86}\TypeLib @ = s '{8A572718-D521-46F1-80E6-9BE987AE3284}'
HKCR\CLSID\{41469133-F84A-40AF-9380-CE776F52EF86}\VersionIndependentProgID
HKCR\CLSID\{41469133-F84A-40AF-9380-CE776F52EF86}\VersionIndependentProgID @ = s 'VaroAddin.Addin'
HKCR\VaroAddin.Addin
HKCR\VaroAddin.Addin @ = s 'Addin Class'
HKCR\VaroAddin.Addin\CLSID
HKCR\VaroAddin.Addin\CLSID @ = s '{41469133-F84A-40AF-9380-CE776F52EF86}'
HKCR\VaroAddin.Addin\CurVer
HKCR\VaroAddin.Addin\CurVer @ = s 'VaroAddin.Addin.1'
HKCR\VaroAddin.Addin.1
HKCR\VaroAddin.Addin.1 @ = s 'Addin Class'
HKCR\VaroAddin.Addin.1\CLSID
HKCR\VaroAddin.Addin.1\CLSID @ = s '{41469133-F84A-40AF-9380-CE776F52EF86}'
HKCU\Software
HKCU\Software\Microsoft
HKCU\Software\Microsoft\Office
HKCU\Software\Microsoft\Office\Outlook
HKCU\Software\Microsoft\Office\Outlook\Addins
HKCU\Software\Microsoft\Office\Outlook\Addins\VaroAddin.Addin
HKCU\Software\Microsoft\Office\Outlook\Addins\VaroAddin.Addin CommandLineSafe = d '0'
HKCU\Software\Microsoft\Office\Outlook\Addins\VaroAddin.Addin Description = s 'Outlook VAROAddin Addin'
HKCU\Software\Microsoft\Office\Outlook\Addins\VaroAddin.Addin FriendlyName = s 'VAROAddin Addin'
HKCU\Software\Microsoft\Office\Outlook\Addins\VaroAddin.Addin LoadBehavior = d '3'
)";

} // namespace

TEST(Registrar, RegisteringWritesExactlyTheTableWithTheQuotedPathRestored) {
    CMemoryRegistry registry;
    EXPECT_EQ(kSuccess, Register(registry, LoadScript()));
    EXPECT_EQ(kRegistered, registry.Dump());
    EXPECT_EQ(0u, registry.OpenKeys());
}

TEST(Registrar, RegisteringAgainRewritesTheClassKeyAndOverwritesTheRest) {
    CMemoryRegistry registry;
    Script script = LoadScript();
    ASSERT_EQ(kSuccess, Register(registry, script));
    // Left over from an older version, and values the user changed.
    registry.PutKey(std::string(kClsidKey) + "\\LocalServer32");
    registry.PutValue(std::string(kClsidKey) + "\\InprocServer32", "", String("C:\\old\\VaroAddin.dll"));
    registry.PutValue(std::string(kAddinsKey) + "\\VaroAddin.Addin", "FriendlyName", String("renamed"));
    ASSERT_EQ(kSuccess, Register(registry, script));
    EXPECT_EQ(kRegistered, registry.Dump());
}

TEST(Registrar, UnregisteringRemovesOnlyWhatHasNothingElseBelowIt) {
    CMemoryRegistry registry;
    registry.PutKey("HKCR\\CLSID\\{00000000-1111-2222-3333-444444444444}");
    registry.PutValue(std::string(kAddinsKey) + "\\Other.Addin", "LoadBehavior",
                      Value{Value::Type::Number, "", 3});
    Script script = LoadScript();
    ASSERT_EQ(kSuccess, Register(registry, script));
    Unregister(registry, script);
    EXPECT_EQ("HKCR\\CLSID\n"
              "HKCR\\CLSID\\{00000000-1111-2222-3333-444444444444}\n"
              "HKCU\\Software\n"
              "HKCU\\Software\\Microsoft\n"
              "HKCU\\Software\\Microsoft\\Office\n"
              "HKCU\\Software\\Microsoft\\Office\\Outlook\n"
              "HKCU\\Software\\Microsoft\\Office\\Outlook\\Addins\n"
              "HKCU\\Software\\Microsoft\\Office\\Outlook\\Addins\\Other.Addin\n"
              "HKCU\\Software\\Microsoft\\Office\\Outlook\\Addins\\Other.Addin LoadBehavior = d '3'\n",
              registry.Dump());
    EXPECT_EQ(0u, registry.OpenKeys());
}

TEST(Registrar, UnregisteringTheOnlyAddinRemovesTheAddinsKeyAndEmptyParents) {
    CMemoryRegistry registry;
    registry.PutKey("HKCU\\Software\\Wine");
    registry.PutKey("HKCR\\CLSID\\{00000000-1111-2222-3333-444444444444}");
    Script script = LoadScript();
    ASSERT_EQ(kSuccess, Register(registry, script));
    Unregister(registry, script);
    EXPECT_EQ("HKCR\\CLSID\n"
              "HKCR\\CLSID\\{00000000-1111-2222-3333-444444444444}\n"
              "HKCU\\Software\n"
              "HKCU\\Software\\Wine\n",
              registry.Dump());
}

TEST(Registrar, UnregisteringWhatWasNeverRegisteredWritesNothing) {
    CMemoryRegistry registry;
    EXPECT_EQ(kSuccess, Unregister(registry, LoadScript()));
    EXPECT_EQ("", registry.Dump());
}

TEST(Registrar, UnregisterModeDeletionRules) {
    Script script;
    ASSERT_TRUE(Parse("HKCU { NoRemove Kept { } Full { val Listed = s 'x' } Bare { } Valued = s 'y' "
                      "ForceRemove Forced { Inner } }",
                      script));
    CMemoryRegistry registry;
    registry.PutKey("HKCU\\Kept");                            // NoRemove, empty: stays
    registry.PutValue("HKCU\\Full", "Listed", String("x"));   // listed value goes...
    registry.PutValue("HKCU\\Full", "Unlisted", String("z")); // ...the key stays: it has a subkey
    registry.PutKey("HKCU\\Full\\Child");
    registry.PutValue("HKCU\\Bare", "Unlisted", String("z")); // no subkeys: deleted, values and all
    registry.PutValue("HKCU\\Valued", "", String("other"));   // deleted whatever its value
    registry.PutKey("HKCU\\Forced\\Inner");                   // ForceRemove means nothing here...
    registry.PutKey("HKCU\\Forced\\Stranger");                // ...so a foreign subkey keeps it
    Unregister(registry, script);
    EXPECT_EQ("HKCU\\Forced\n"
              "HKCU\\Forced\\Stranger\n"
              "HKCU\\Full\n"
              "HKCU\\Full Unlisted = s 'z'\n"
              "HKCU\\Full\\Child\n"
              "HKCU\\Kept\n",
              registry.Dump());
}

TEST(Registrar, TheFirstFailingKeyEndsRegistrationAndKeepsWhatWasWritten) {
    CMemoryRegistry registry;
    registry.DenyWrites("HKCU\\Software\\Microsoft\\Office\\Outlook");
    long result = Register(registry, LoadScript());
    EXPECT_EQ(kErrorAccessDenied, result);
    EXPECT_TRUE(registry.HasKey(kClsidKey));
    EXPECT_TRUE(registry.HasKey("HKCR\\VaroAddin.Addin.1\\CLSID"));
    EXPECT_FALSE(registry.HasKey(kAddinsKey));
    EXPECT_EQ(0u, registry.OpenKeys());
}

TEST(Registrar, KeysOpenedOnlyForReadingAreKeptButTheirValuesCannotBeWritten) {
    Script script;
    ASSERT_TRUE(Parse("HKCU { Locked { Sub } }", script));
    CMemoryRegistry registry;
    registry.DenyWrites("HKCU\\Locked");
    EXPECT_EQ(kErrorAccessDenied, Register(registry, script)); // no subkey under a read-only key
    ASSERT_TRUE(Parse("HKCU { Locked = s 'x' }", script));
    EXPECT_EQ(kErrorAccessDenied, Register(registry, script));
    EXPECT_EQ("HKCU\\Locked\n", registry.Dump());
}

TEST(Registrar, MalformedScriptsAreRefusedWhole) {
    const char* const bad[] = {
        "",                            // fine: nothing to do (checked below)
        "HKCR",                        // no block
        "HKXX { A }",                  // unknown root
        "HKCR { A ",                   // unclosed block
        "HKCR { A = s 'x }",           // unterminated text
        "HKCR { A = x 'y' }",          // unknown value type
        "HKCR { A = s }",              // type without text
        "HKCR { A = d '12a' }",        // not a number
        "HKCR { A = d '4294967296' }", // too large for 32 bits
        "HKCR { A = d '' }",           // empty number
        "HKCR { val V = s 'x' }",      // value outside a key
        "HKCR { A { val = s 'x' } }",  // value without a name
        "HKCR { '' }",                 // empty key name
        "HKCR { 'A\\B' }",             // a path where a name belongs
        "HKCR { NoRemove }",           // mark without a key
        "HKCR { A } }",                // stray brace
        "HKCR { A = s 'x' = s 'y' }",  // two defaults
    };
    for (std::size_t i = 1; i < sizeof bad / sizeof bad[0]; ++i) {
        Script script;
        script.roots.resize(1);
        std::string error;
        EXPECT_FALSE(Parse(bad[i], script, &error)) << bad[i];
        EXPECT_FALSE(error.empty()) << bad[i];
        EXPECT_EQ(1u, script.roots.size()) << "output changed for " << bad[i];
    }
    Script empty;
    EXPECT_TRUE(Parse(bad[0], empty));
    EXPECT_TRUE(empty.roots.empty());

    std::string deep = "HKCR {";
    for (int i = 0; i < 40; ++i)
        deep += " K {";
    for (int i = 0; i < 40; ++i)
        deep += " }";
    deep += " }";
    Script script;
    EXPECT_FALSE(Parse(deep, script));
}

TEST(Registrar, ScriptSyntaxAcceptsQuotedNamesLongRootsAndAnyCase) {
    Script script;
    std::string error;
    ASSERT_TRUE(Parse("hkey_current_user { noremove 'Two Words' = S 'It''s' { VAL 'n v' = D '007' } "
                      "forceremove {guid} }",
                      script, &error))
        << error;
    CMemoryRegistry registry;
    ASSERT_EQ(kSuccess, Register(registry, script));
    EXPECT_EQ("HKCU\\Two Words\n"
              "HKCU\\Two Words @ = s 'It's'\n"
              "HKCU\\Two Words n v = d '7'\n"
              "HKCU\\{guid}\n",
              registry.Dump());
}

TEST(Registrar, TokensAreReplacedOnceAndUnknownOnesRefused) {
    std::string out;
    ASSERT_TRUE(ExpandTokens("a %MODULE% b %% c", {{"MODULE", "x%MODULE%y"}}, out));
    EXPECT_EQ("a x%MODULE%y b % c", out);
    out = "kept";
    EXPECT_FALSE(ExpandTokens("%OTHER%", {{"MODULE", "x"}}, out));
    EXPECT_FALSE(ExpandTokens("50% off", {{"MODULE", "x"}}, out));
    EXPECT_EQ("kept", out);
    EXPECT_EQ("It''s ''''", QuoteForScript("It's ''"));
}
