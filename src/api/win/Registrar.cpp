#include "Registrar.h"

#include <cwctype>

#include "util/AutoTypes.h"

namespace kelm::win {
namespace {

// ---------------------------------------------------------------- tokens
struct Token {
    std::wstring text;
    bool quoted = false;
    bool Is(std::wstring_view word) const { return !quoted && _wcsicmp(text.c_str(), std::wstring(word).c_str()) == 0; }
};

HRESULT Tokenize(std::wstring_view script, std::vector<Token>& tokens) {
    std::size_t i = 0;
    while (i < script.size()) {
        if (std::iswspace(script[i])) { ++i; continue; }
        Token token;
        if (script[i] == L'\'') {
            token.quoted = true;
            ++i;
            for (;;) {
                RETURN_HR_IF(DISP_E_EXCEPTION, i >= script.size());  // unterminated quote
                if (script[i] == L'\'') {
                    if (i + 1 < script.size() && script[i + 1] == L'\'') { token.text += L'\''; i += 2; continue; }
                    ++i;
                    break;
                }
                token.text += script[i++];
            }
        } else {
            while (i < script.size() && !std::iswspace(script[i])) token.text += script[i++];
        }
        tokens.push_back(std::move(token));
    }
    return S_OK;
}

HRESULT Replace(const std::wstring& text, const RegistryReplacements& replacements, std::wstring& out) {
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'%') { out += text[i]; continue; }
        const std::size_t end = text.find(L'%', i + 1);
        RETURN_HR_IF(DISP_E_EXCEPTION, end == std::wstring::npos);
        if (end == i + 1) {
            out += L'%';
        } else {
            const auto found = replacements.find(text.substr(i + 1, end - i - 1));
            RETURN_HR_IF(DISP_E_EXCEPTION, found == replacements.end());
            out += found->second;
        }
        i = end;
    }
    return S_OK;
}

// ---------------------------------------------------------------- parser
class Parser {
public:
    Parser(std::vector<Token> tokens, const RegistryReplacements& replacements)
        : m_tokens(std::move(tokens)), m_replacements(replacements) {}

    HRESULT Script(std::vector<RegistryRoot>& roots) {
        while (!AtEnd()) {
            RegistryRoot root;
            RETURN_HR_IF(DISP_E_EXCEPTION, !Hive(Next(), root.hive));
            RETURN_HR_IF(DISP_E_EXCEPTION, !Next().Is(L"{"));
            RETURN_IF_FAILED(Body(root.keys, nullptr));
            roots.push_back(std::move(root));
        }
        return S_OK;
    }

private:
    bool AtEnd() const { return m_pos >= m_tokens.size(); }
    const Token& Peek() const { return AtEnd() ? m_end : m_tokens[m_pos]; }
    const Token& Next() { return AtEnd() ? m_end : m_tokens[m_pos++]; }

    static bool Hive(const Token& token, HKEY& hive) {
        struct Name { const wchar_t* shortName; const wchar_t* longName; HKEY hive; };
        static const Name names[] = {
            {L"HKCR", L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT}, {L"HKCU", L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
            {L"HKLM", L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE}, {L"HKU", L"HKEY_USERS", HKEY_USERS}};
        for (const auto& name : names) {
            if (token.Is(name.shortName) || token.Is(name.longName)) { hive = name.hive; return true; }
        }
        return false;
    }

    HRESULT Text(const Token& token, std::wstring& out) {
        RETURN_HR_IF(DISP_E_EXCEPTION, AtEndToken(token));
        return Replace(token.text, m_replacements, out);
    }
    bool AtEndToken(const Token& token) const { return &token == &m_end; }

    // "s 'text'" or "d 'number'" after an equals sign.
    HRESULT TypedValue(RegistryValue& value) {
        const Token& type = Next();
        std::wstring text;
        if (type.Is(L"s")) {
            RETURN_IF_FAILED(Text(Next(), value.text));
        } else if (type.Is(L"d")) {
            RETURN_IF_FAILED(Text(Next(), text));
            wchar_t* end = nullptr;
            const unsigned long number = std::wcstoul(text.c_str(), &end, 0);
            RETURN_HR_IF(DISP_E_EXCEPTION, text.empty() || *end != L'\0');
            value.isNumber = true;
            value.number = static_cast<DWORD>(number);
        } else {
            return DISP_E_EXCEPTION;
        }
        return S_OK;
    }

    // Keys and values up to the closing brace; values go to owner (null at a root).
    HRESULT Body(std::vector<RegistryKey>& keys, RegistryKey* owner) {
        for (;;) {
            const Token& token = Next();
            RETURN_HR_IF(DISP_E_EXCEPTION, AtEndToken(token));
            if (token.Is(L"}")) return S_OK;
            if (token.Is(L"val")) {
                RETURN_HR_IF(DISP_E_EXCEPTION, owner == nullptr);
                RegistryValue value;
                RETURN_IF_FAILED(Text(Next(), value.name));
                RETURN_HR_IF(DISP_E_EXCEPTION, !Next().Is(L"="));
                RETURN_IF_FAILED(TypedValue(value));
                owner->values.push_back(std::move(value));
                continue;
            }
            RegistryKey key;
            const Token* name = &token;
            if (token.Is(L"NoRemove")) { key.noRemove = true; name = &Next(); }
            else if (token.Is(L"ForceRemove")) { key.forceRemove = true; name = &Next(); }
            RETURN_HR_IF(DISP_E_EXCEPTION, !name->quoted && (name->Is(L"{") || name->Is(L"}") || name->Is(L"=")));
            RETURN_IF_FAILED(Text(*name, key.name));
            RETURN_HR_IF(DISP_E_EXCEPTION, key.name.empty());
            if (Peek().Is(L"=")) {
                Next();
                RegistryValue value;
                RETURN_IF_FAILED(TypedValue(value));
                key.values.push_back(std::move(value));
            }
            if (Peek().Is(L"{")) {
                Next();
                RETURN_IF_FAILED(Body(key.subkeys, &key));
            }
            keys.push_back(std::move(key));
        }
    }

    std::vector<Token> m_tokens;
    const RegistryReplacements& m_replacements;
    std::size_t m_pos = 0;
    const Token m_end{};
};

// ---------------------------------------------------------------- registry
class AutoKey {
public:
    AutoKey() = default;
    AutoKey(const AutoKey&) = delete;
    AutoKey& operator=(const AutoKey&) = delete;
    ~AutoKey() { if (m_key != nullptr) RegCloseKey(m_key); }
    HKEY get() const { return m_key; }
    HKEY* Out() { return &m_key; }
private:
    HKEY m_key = nullptr;
};

HRESULT FromWin32(LONG error) { return error == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(error); }
bool Missing(LONG error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

HRESULT WriteValue(HKEY key, const RegistryValue& value) {
    const wchar_t* name = value.name.empty() ? nullptr : value.name.c_str();
    if (value.isNumber) {
        return FromWin32(RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value.number),
                                        sizeof(value.number)));
    }
    const DWORD bytes = static_cast<DWORD>((value.text.size() + 1) * sizeof(wchar_t));
    return FromWin32(RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.text.c_str()), bytes));
}

HRESULT RegisterKey(HKEY parent, const RegistryKey& key) {
    if (key.forceRemove) {
        const LONG error = RegDeleteTreeW(parent, key.name.c_str());
        if (!Missing(error)) RETURN_IF_FAILED(FromWin32(error));
        // RegDeleteTree leaves the key itself when it has no subkeys on some systems.
        const LONG keyError = RegDeleteKeyW(parent, key.name.c_str());
        if (!Missing(keyError)) RETURN_IF_FAILED(FromWin32(keyError));
    }
    AutoKey opened;
    RETURN_IF_FAILED(FromWin32(RegCreateKeyExW(parent, key.name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                               KEY_READ | KEY_WRITE, nullptr, opened.Out(), nullptr)));
    for (const auto& value : key.values) RETURN_IF_FAILED(WriteValue(opened.get(), value));
    for (const auto& subkey : key.subkeys) RETURN_IF_FAILED(RegisterKey(opened.get(), subkey));
    return S_OK;
}

HRESULT UnregisterKey(HKEY parent, const RegistryKey& key) {
    if (key.forceRemove && !key.noRemove) {
        const LONG error = RegDeleteTreeW(parent, key.name.c_str());
        if (Missing(error)) return S_OK;
        RETURN_IF_FAILED(FromWin32(error));
        const LONG keyError = RegDeleteKeyW(parent, key.name.c_str());
        return Missing(keyError) ? S_OK : FromWin32(keyError);
    }
    AutoKey opened;
    const LONG openError = RegOpenKeyExW(parent, key.name.c_str(), 0, KEY_READ | KEY_WRITE, opened.Out());
    if (Missing(openError)) return S_OK;
    RETURN_IF_FAILED(FromWin32(openError));
    for (const auto& subkey : key.subkeys) RETURN_IF_FAILED(UnregisterKey(opened.get(), subkey));
    for (const auto& value : key.values) {
        if (value.name.empty()) continue;  // goes with the key
        const LONG error = RegDeleteValueW(opened.get(), value.name.c_str());
        if (!Missing(error)) RETURN_IF_FAILED(FromWin32(error));
    }
    if (key.noRemove) return S_OK;
    DWORD subkeyCount = 0;
    RETURN_IF_FAILED(FromWin32(RegQueryInfoKeyW(opened.get(), nullptr, nullptr, nullptr, &subkeyCount, nullptr,
                                                nullptr, nullptr, nullptr, nullptr, nullptr, nullptr)));
    if (subkeyCount > 0) return S_OK;  // something else lives below it
    const LONG error = RegDeleteKeyW(parent, key.name.c_str());
    return Missing(error) ? S_OK : FromWin32(error);
}

}  // namespace

HRESULT ParseRegistryScript(std::wstring_view script, const RegistryReplacements& replacements,
                            std::vector<RegistryRoot>& roots) {
    std::vector<Token> tokens;
    RETURN_IF_FAILED(Tokenize(script, tokens));
    std::vector<RegistryRoot> parsed;
    Parser parser(std::move(tokens), replacements);
    RETURN_IF_FAILED(parser.Script(parsed));
    roots = std::move(parsed);
    return S_OK;
}

HRESULT ApplyRegistryScript(const std::vector<RegistryRoot>& roots, RegistryMode mode, HKEY classesRoot) {
    for (const auto& root : roots) {
        const HKEY hive = root.hive == HKEY_CLASSES_ROOT ? classesRoot : root.hive;
        for (const auto& key : root.keys) {
            RETURN_IF_FAILED(mode == RegistryMode::Register ? RegisterKey(hive, key) : UnregisterKey(hive, key));
        }
    }
    return S_OK;
}

HRESULT RunRegistryResource(HMODULE module, UINT resourceId, const RegistryReplacements& replacements,
                            RegistryMode mode, HKEY classesRoot) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(resourceId), L"REGISTRY");
    RETURN_HR_IF(HRESULT_FROM_WIN32(GetLastError()), found == nullptr);
    HGLOBAL loaded = LoadResource(module, found);
    RETURN_HR_IF(HRESULT_FROM_WIN32(GetLastError()), loaded == nullptr);
    const char* bytes = static_cast<const char*>(LockResource(loaded));
    const DWORD size = SizeofResource(module, found);
    RETURN_HR_IF(E_FAIL, bytes == nullptr);
    // The scripts are 8-bit text.
    std::wstring script;
    const int length = MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(size), nullptr, 0);
    script.resize(static_cast<std::size_t>(length));
    if (length > 0) MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(size), script.data(), length);
    std::vector<RegistryRoot> roots;
    RETURN_IF_FAILED(ParseRegistryScript(script, replacements, roots));
    return ApplyRegistryScript(roots, mode, classesRoot);
}

}  // namespace kelm::win
