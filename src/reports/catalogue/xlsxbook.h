#pragma once
// A libxlsxwriter workbook held for the length of a write: closed (and so
// written) once, and the first failure of any call into the library kept, so
// a writer checks every call and says one failure at the end.
#include <QFile>
#include <QString>
#include <utility>
#include <xlsxwriter.h>

namespace reports {

class Workbook {
public:
    // constantMemory: one row held at a time, for a whole table's sheet;
    // rows must then be written in order.
    explicit Workbook(const QString &path, bool constantMemory)
    {
        lxw_workbook_options options{};
        options.constant_memory = constantMemory ? LXW_TRUE : LXW_FALSE;
        m_book = workbook_new_opt(QFile::encodeName(path).constData(), &options);
    }
    ~Workbook()
    {
        if (m_book)
            (void)close();
    }
    Workbook(const Workbook &) = delete;
    Workbook &operator=(const Workbook &) = delete;

    lxw_workbook *get() const { return m_book; }
    // Writes the file; the first failure met on the way, or the writing's own.
    lxw_error close()
    {
        const lxw_error closed = workbook_close(std::exchange(m_book, nullptr));
        return m_failed != LXW_NO_ERROR ? m_failed : closed;
    }
    // Keeps the first failure of a call into the library.
    void check(lxw_error e)
    {
        if (m_failed == LXW_NO_ERROR)
            m_failed = e;
    }

private:
    lxw_workbook *m_book = nullptr;
    lxw_error m_failed = LXW_NO_ERROR;
};

} // namespace reports
