// The large benchmark library (LargeLibrary.h) as an SQLite file: the same
// part types, cells, symbols, partitions and default scheme, with the
// indexes a database designer would give it (partition of a part by the
// part's key, parts by cell, cells and symbols by name, items by
// partition). The file is in WAL mode; write cases use synchronous=FULL,
// since the store's saves flush their files too.
#pragma once

#include <sqlite3.h>

#include <cstdio>
#include <string>

#include "LargeLibrary.h"

namespace kelm::bench {

// One open connection; statements are prepared once and reused.
class Sqlite {
public:
    explicit Sqlite(const std::string& file) {
        if (sqlite3_open_v2(file.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
            std::fprintf(stderr, "sqlite: cannot open %s\n", file.c_str());
    }
    Sqlite(const Sqlite&) = delete;
    Sqlite& operator=(const Sqlite&) = delete;
    ~Sqlite() {
        for (sqlite3_stmt* statement : m_statements) sqlite3_finalize(statement);
        sqlite3_close(m_db);
    }

    bool Exec(const char* sql) {
        char* error = nullptr;
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, &error) == SQLITE_OK) return true;
        std::fprintf(stderr, "sqlite: %s: %s\n", sql, error ? error : "?");
        sqlite3_free(error);
        return false;
    }
    sqlite3_stmt* Prepare(const char* sql) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr) != SQLITE_OK)
            std::fprintf(stderr, "sqlite: %s: %s\n", sql, sqlite3_errmsg(m_db));
        m_statements.push_back(statement);
        return statement;
    }
    // Binds the texts to ?1, ?2, ... and runs the statement; gives the number
    // of rows and the first column of the first row.
    template <typename... Texts>
    int Rows(sqlite3_stmt* statement, std::string* first, const Texts&... texts) {
        sqlite3_reset(statement);
        int index = 0;
        (sqlite3_bind_text(statement, ++index, texts.data(), static_cast<int>(texts.size()), SQLITE_STATIC), ...);
        int rows = 0, step = 0;
        while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
            if (rows++ == 0 && first) {
                const unsigned char* text = sqlite3_column_text(statement, 0);
                *first = text ? reinterpret_cast<const char*>(text) : "";
            }
        }
        if (step != SQLITE_DONE) {
            std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(m_db));
            return -1;
        }
        return rows;
    }

private:
    sqlite3* m_db = nullptr;
    std::vector<sqlite3_stmt*> m_statements;
};

// Partition ids: part partitions first, then cells, then symbols, in the
// order LargeLibrary.h writes them; the default scheme lists them all.
inline bool GenerateSqliteLibrary(const LibrarySize& o, const std::string& file) {
    std::remove(file.c_str());
    Sqlite db(file);
    if (!db.Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=OFF; BEGIN;"
                 "CREATE TABLE partitions(id INTEGER PRIMARY KEY, kind INTEGER NOT NULL, name TEXT NOT NULL, holder TEXT,"
                 " UNIQUE(kind, name COLLATE NOCASE));"
                 "CREATE TABLE scheme_partitions(scheme TEXT NOT NULL, position INTEGER NOT NULL, partition INTEGER NOT NULL,"
                 " PRIMARY KEY(scheme, position)) WITHOUT ROWID;"
                 "CREATE TABLE parts(number TEXT PRIMARY KEY, partition INTEGER NOT NULL, name TEXT, label TEXT,"
                 " description TEXT, type TEXT, time INTEGER, pins TEXT) WITHOUT ROWID;"
                 "CREATE TABLE part_cells(cell TEXT NOT NULL, number TEXT NOT NULL, PRIMARY KEY(cell, number)) WITHOUT ROWID;"
                 "CREATE TABLE part_symbols(number TEXT NOT NULL, spec TEXT NOT NULL, pins TEXT,"
                 " PRIMARY KEY(number, spec)) WITHOUT ROWID;"
                 "CREATE TABLE cells(name TEXT NOT NULL, partition INTEGER NOT NULL, pins TEXT, padstacks TEXT,"
                 " time INTEGER, PRIMARY KEY(name, partition)) WITHOUT ROWID;"
                 "CREATE TABLE symbols(name TEXT NOT NULL, partition INTEGER NOT NULL, pins TEXT,"
                 " PRIMARY KEY(name, partition)) WITHOUT ROWID;"))
        return false;
    sqlite3_stmt* partition = db.Prepare("INSERT INTO partitions(id, kind, name) VALUES(?1, ?2, ?3)");
    sqlite3_stmt* scheme = db.Prepare("INSERT INTO scheme_partitions VALUES('(Default)', ?1, ?1)");
    sqlite3_stmt* part = db.Prepare("INSERT INTO parts VALUES(?1, ?2, ?3, 'U?', ?4, 'IC', 1700000000, '1,2,3,4')");
    sqlite3_stmt* partCell = db.Prepare("INSERT INTO part_cells VALUES(?1, ?2)");
    sqlite3_stmt* partSymbol = db.Prepare("INSERT INTO part_symbols VALUES(?1, ?2, 'A,B')");
    sqlite3_stmt* cell = db.Prepare("INSERT INTO cells VALUES(?1, ?2, '1,2,3,4', 'pad-a', 1700000000)");
    sqlite3_stmt* symbol = db.Prepare("INSERT INTO symbols VALUES(?1, ?2, 'A,B')");
    auto run = [](sqlite3_stmt* statement) {
        const bool ok = sqlite3_step(statement) == SQLITE_DONE;
        sqlite3_reset(statement);
        return ok;
    };
    auto text = [](sqlite3_stmt* statement, int index, const std::string& value) {
        sqlite3_bind_text(statement, index, value.c_str(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
    };
    bool ok = true;
    auto addPartition = [&](int id, int kind, const std::string& name) {
        sqlite3_bind_int(partition, 1, id);
        sqlite3_bind_int(partition, 2, kind);
        text(partition, 3, name);
        sqlite3_bind_int(scheme, 1, id);
        ok = ok && run(partition) && run(scheme);
    };
    const int cellBase = o.partPartitions, symbolBase = o.partPartitions + o.cellPartitions;
    for (int p = 0; p < o.partPartitions; ++p) addPartition(p, 7, Numbered("Parts", p, 3));
    for (int p = 0; p < o.cellPartitions; ++p) addPartition(cellBase + p, 0, Numbered("Cells", p, 3));
    for (int p = 0; p < o.symbolPartitions; ++p) addPartition(symbolBase + p, 13, Numbered("Symbols", p, 3));
    for (int n = 0; n < o.parts && ok; ++n) {
        const std::string number = Numbered("P", n);
        text(part, 1, number);
        sqlite3_bind_int(part, 2, n % o.partPartitions);
        text(part, 3, "Part " + number);
        text(part, 4, "Generated part type " + number);
        text(partCell, 1, Numbered("CELL", n % (o.cells ? o.cells : 1), 5));
        text(partCell, 2, number);
        text(partSymbol, 1, number);
        const int symbolNumber = n % (o.symbols ? o.symbols : 1);
        text(partSymbol, 2, Numbered("Symbols", symbolNumber % o.symbolPartitions, 3) + ":" + Numbered("SYM", symbolNumber, 5));
        ok = run(part) && run(partCell) && run(partSymbol);
    }
    for (int c = 0; c < o.cells && ok; ++c) {
        text(cell, 1, Numbered("CELL", c, 5));
        sqlite3_bind_int(cell, 2, cellBase + c % o.cellPartitions);
        ok = run(cell);
    }
    for (int s = 0; s < o.symbols && ok; ++s) {
        text(symbol, 1, Numbered("SYM", s, 5));
        sqlite3_bind_int(symbol, 2, symbolBase + s % o.symbolPartitions);
        ok = run(symbol);
    }
    return ok && db.Exec("CREATE INDEX parts_by_partition ON parts(partition, number);"
                         "CREATE INDEX cells_by_partition ON cells(partition, name);"
                         "CREATE INDEX symbols_by_partition ON symbols(partition, name);"
                         "CREATE INDEX part_cells_by_number ON part_cells(number, cell);"
                         "COMMIT; ANALYZE; PRAGMA wal_checkpoint(TRUNCATE);");
}

}  // namespace kelm::bench
