#pragma once
// The raw counterpart of store operations: the sqlite3 library alone, same
// statement, same file, rows read into memory.
#include <QString>
#include <sqlite3.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace bench {

class RawDb {
public:
    explicit RawDb(const QString &path)
    {
        if (sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            throw std::runtime_error("cannot open " + path.toStdString());
    }
    ~RawDb() { sqlite3_close(m_db); }
    RawDb(const RawDb &) = delete;
    RawDb &operator=(const RawDb &) = delete;

    // Runs sql, binding texts in order, and reads every column of every row
    // into memory as text; returns the number of rows.
    size_t readAll(const std::string &sql, const std::vector<std::string> &params = {})
    {
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(m_db));
        for (size_t i = 0; i < params.size(); ++i)
            sqlite3_bind_text(st, int(i + 1), params[i].c_str(), -1, SQLITE_TRANSIENT);
        size_t rows = 0;
        m_cells.clear();
        while (sqlite3_step(st) == SQLITE_ROW) {
            const int n = sqlite3_column_count(st);
            for (int c = 0; c < n; ++c) {
                const unsigned char *t = sqlite3_column_text(st, c);
                m_cells.emplace_back(t ? reinterpret_cast<const char *>(t) : "");
            }
            ++rows;
        }
        sqlite3_finalize(st);
        return rows;
    }

    void exec(const std::string &sql)
    {
        char *err = nullptr;
        if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
            std::string msg = err ? err : "error";
            sqlite3_free(err);
            throw std::runtime_error(msg);
        }
    }

    sqlite3 *handle() const { return m_db; }

private:
    sqlite3 *m_db = nullptr;
    std::vector<std::string> m_cells;
};

} // namespace bench
