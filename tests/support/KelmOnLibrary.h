// A Kelm object on a library of the file store in a temporary folder: a copy
// of examples/library (Demo.qvm) or a new, empty library (Main.qvm), and
// readers for the automation values the methods give back.
//
//   KelmOnLibrary lib;                         // example library, open as alice
//   EXPECT_EQ(lib.Items("Resistors", "*", kPart), (Names{"R-0603-10K", "R-0805-1K"}));
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "api/Kelm.h"
#include "platform/CodePage.h"
#include "store/file/LibraryTools.h"
#include "support/TempFolder.h"
#include "util/AutoTypes.h"

namespace kelm::testing {

using Names = std::vector<std::string>;
inline constexpr auto kCell = KelmEnum_ObjType_Cell;
inline constexpr auto kPart = KelmEnum_ObjType_PartType;
inline constexpr auto kSymbol = KelmEnum_ObjType_LogicSymbol;

inline std::string Text(BSTR text) { return platform::BstrToAnsi(text); }
inline AutoBstr Bstr(const std::string& text) { return AutoBstr(platform::AnsiToBstr(text)); }

// The strings of a one-dimensional string array from index 0.
inline Names Strings(SAFEARRAY* array) {
    Names result;
    if (array == nullptr) return result;
    EXPECT_EQ(SafeArrayGetDim(array), 1u);
    LONG lower = -1, upper = -1;
    EXPECT_EQ(SafeArrayGetLBound(array, 1, &lower), S_OK);
    EXPECT_EQ(SafeArrayGetUBound(array, 1, &upper), S_OK);
    EXPECT_EQ(lower, 0);
    SafeArrayDataLock lock(array);
    if (FAILED(lock.status())) return result;
    for (LONG i = 0; i <= upper - lower; ++i) result.push_back(Text(lock.data<BSTR>()[i]));
    return result;
}

class KelmOnLibrary {
public:
    enum Library { kExample, kEmpty };
    explicit KelmOnLibrary(Library library = kExample, const std::string& user = "alice") {
        if (library == kExample) {
            CopyTree(std::filesystem::path(KELM_SOURCE_DIR) / "examples" / "library", m_folder.Root());
            m_qvm = (m_folder.Root() / "Demo.qvm").string();
        } else {
            m_qvm = (m_folder.Root() / "Main.qvm").string();
            EXPECT_EQ(store::CreateLibrary(m_qvm), S_OK);
        }
        m_kelm = Another(user);
    }
    ~KelmOnLibrary() { Drop(m_kelm); }
    KelmOnLibrary(const KelmOnLibrary&) = delete;
    KelmOnLibrary& operator=(const KelmOnLibrary&) = delete;
    IKelm* operator->() const { return m_kelm; }
    IKelm& Kelm() const { return *m_kelm; }
    LibrarySession& Session() const { return static_cast<CKelm*>(m_kelm)->Session(); }
    const std::string& Qvm() const { return m_qvm; }
    std::string Folder() const { return Session().LibraryFolder(); }
    const TempFolder& Temp() const { return m_folder; }
    // Another object on the same library, open under a user; Drop() it.
    IKelm* Another(const std::string& user) const {
        IKelm* other = nullptr;
        EXPECT_EQ(CKelm::CreateInstance(nullptr, IID_IKelm, reinterpret_cast<void**>(&other)), S_OK);
        AutoBstr file = Bstr(m_qvm), name = Bstr(user);
        EXPECT_EQ(other->Kelmstore_Open(file.get(), name.get(), VARIANT_FALSE), S_OK);
        return other;
    }
    static void Drop(IKelm* kelm) {
        if (kelm == nullptr) return;
        kelm->Kelmstore_Close();
        kelm->Release();
    }
    // Results of the query methods; a failed call gives an empty list, -1 or "<status>".
    Names Items(const std::string& partition, const std::string& filter, KelmEnum_ObjType kind) const {
        AutoBstr p = Bstr(partition), f = Bstr(filter);
        AutoSafeArray out;
        return Checked(m_kelm->GetPartitionItems(p.get(), f.get(), kind, out.Out())) ? Strings(out.get()) : Names{};
    }
    long Count(const std::string& partition, const std::string& filter, KelmEnum_ObjType kind) const {
        AutoBstr p = Bstr(partition), f = Bstr(filter);
        long count = -1;
        return Checked(m_kelm->GetPartitionItemsCount(p.get(), f.get(), kind, &count)) ? count : -1;
    }
    Names Partitions(const std::string& scheme, KelmEnum_ObjType kind, VARIANT_BOOL names = VARIANT_TRUE,
                     VARIANT_BOOL removeExtensions = VARIANT_TRUE) const {
        AutoBstr s = Bstr(scheme);
        AutoSafeArray out;
        return Checked(m_kelm->GetPartitionList_SearchScheme(s.get(), kind, names, removeExtensions, out.Out()))
                   ? Strings(out.get())
                   : Names{};
    }
    std::string Find(const std::string& item, KelmEnum_ObjType kind) const {
        AutoBstr i = Bstr(item), out;
        const HRESULT hr = m_kelm->FindItemPartition(i.get(), kind, out.Out());
        return hr == S_OK ? Text(out.get()) : StatusText(hr);
    }
    bool Exists(const std::string& partition, const std::string& excluded, const std::string& item,
                KelmEnum_ObjType kind) const {
        AutoBstr p = Bstr(partition), e = Bstr(excluded), i = Bstr(item);
        VARIANT_BOOL exists = 5;
        EXPECT_EQ(m_kelm->DoesItemExist(p.get(), e.get(), i.get(), kind, &exists), S_OK);
        EXPECT_TRUE(exists == VARIANT_TRUE || exists == VARIANT_FALSE);
        return exists == VARIANT_TRUE;
    }
    long Pins(const std::string& partition, const std::string& item, KelmEnum_ObjType kind) const {
        AutoBstr p = Bstr(partition), i = Bstr(item);
        long count = -1;
        return Checked(m_kelm->GetPinCount(p.get(), i.get(), kind, &count)) ? count : -1;
    }
    // The edits, by name; each gives the method's status.
    HRESULT Reserve(const std::string& partition, KelmEnum_ObjType kind) const {
        AutoBstr p = Bstr(partition);
        return m_kelm->ReservePartition(p.get(), kind);
    }
    HRESULT AddPartition(const std::string& partition, KelmEnum_ObjType kind, bool toDefault = true) const {
        AutoBstr p = Bstr(partition);
        return m_kelm->AddPartition(p.get(), kind, toDefault ? VARIANT_TRUE : VARIANT_FALSE);
    }
    HRESULT DeletePartition(const std::string& partition, KelmEnum_ObjType kind) const {
        AutoBstr p = Bstr(partition);
        return m_kelm->DeletePartition(p.get(), kind);
    }
    HRESULT Copy(const std::string& from, const std::string& item, const std::string& to, const std::string& as,
                 KelmEnum_ObjType kind, bool overwrite = false, bool move = false) const {
        AutoBstr a = Bstr(from), b = Bstr(item), c = Bstr(to), d = Bstr(as);
        return m_kelm->CopyItemInQVM(a.get(), b.get(), c.get(), d.get(), kind, overwrite ? VARIANT_TRUE : VARIANT_FALSE,
                                     move ? VARIANT_TRUE : VARIANT_FALSE);
    }
    // The log's lines without their time stamp column and line break.
    Names LogLines() const {
        Names lines;
        std::ifstream in(std::filesystem::path(m_folder.Root()) / "LogFiles" / "QuorKelm.log", std::ios::binary);
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line.size() > 20 ? line.substr(20) : std::string());
        }
        return lines;
    }
    static std::string StatusText(HRESULT hr) {
        char text[16];
        std::snprintf(text, sizeof text, "<%08lX>", static_cast<unsigned long>(static_cast<unsigned int>(hr)));
        return text;
    }

private:
    static bool Checked(HRESULT hr) {
        EXPECT_EQ(hr, S_OK) << StatusText(hr);
        return hr == S_OK;
    }
    TempFolder m_folder;
    std::string m_qvm;
    IKelm* m_kelm = nullptr;
};

// A log line as LogLines() gives it: level, application, operation, message.
inline std::string LogLine(const char* level, const char* operation, const std::string& message) {
    char head[128];
    std::snprintf(head, sizeof head, "%-10s%-15s%-35s - ", level, "KelmAPI", operation);
    return head + message;
}

}  // namespace kelm::testing
