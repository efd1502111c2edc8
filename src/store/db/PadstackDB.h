// The padstack database: padstacks (name, type, time stamp) in a file named
// by the client. CPadstackDB delegates to an implementation chosen at
// construction: the file-backed one, or one a test installed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace kelm::padstackdb {

// ePadstackType of the database; the component creates default padstacks as 3.
enum ePadstackType : int {
    ePadstackType_Pin = 0,
    ePadstackType_Via = 1,
    ePadstackType_Mounting = 2,
    ePadstackType_Default = 3,
};

struct PadstackData {
    std::string name;
    int type = 0;
    std::int32_t timestamp = 0;
};

// A record bound to one padstack of a database once FindPadstack or
// NewPadstack filled it; the setters then change that padstack.
class CPadstackDBBase {
public:
    virtual ~CPadstackDBBase() = default;
    int SetName(const std::string& name);
    int SetType(int type);
    int SetTimestamp(std::int32_t time);
    const PadstackData* Data() const { return m_data.get(); }
    void Bind(std::shared_ptr<PadstackData> data) { m_data = std::move(data); }

private:
    std::shared_ptr<PadstackData> m_data;
};

class CPadstackDBPadstack : public CPadstackDBBase {};

class PadstackDBImpl {
public:
    virtual ~PadstackDBImpl() = default;
    virtual int Init() = 0;                                          // negative on failure
    virtual int Load(const std::string& path, int mode) = 0;         // negative on failure
    virtual int FindPadstack(CPadstackDBPadstack& record, const std::string& name) = 0;  // 0 when found
    virtual int NewPadstack(CPadstackDBPadstack& record, const std::string& name) = 0;   // 0 when created
    virtual int Save(const char* path) = 0;                          // null: the loaded file
    virtual void Close() = 0;
};

using PadstackDBFactory = std::function<std::unique_ptr<PadstackDBImpl>()>;
void SetPadstackDBFactory(PadstackDBFactory factory);  // empty: the file-backed one
std::unique_ptr<PadstackDBImpl> CreateFilePadstackDB();   // null while not available

class CPadstackDB {
public:
    CPadstackDB();
    ~CPadstackDB();
    CPadstackDB(const CPadstackDB&) = delete;
    CPadstackDB& operator=(const CPadstackDB&) = delete;

    int Init();
    int Load(const char* path, int mode);
    int FindPadstack(CPadstackDBPadstack& record, const std::string& name);
    int NewPadstack(CPadstackDBPadstack& record, const std::string& name);
    int Save(const char* path);
    void Close();

private:
    std::unique_ptr<PadstackDBImpl> m_impl;  // null: every call fails
};

}  // namespace kelm::padstackdb
