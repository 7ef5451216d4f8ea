#pragma once
// What became of a print job, asked of the print system (CUPS, through
// libcups, which is also what Qt's print support hands jobs to). Qt's
// printer does not tell whether the system took the job: a queue that
// refuses jobs, a printer that is gone, a filter that fails all end in
// silence unless the system is asked.
#include <QObject>
#include <QString>
#include <QTimer>

namespace reports {

struct JobOutcome {
    enum class State {
        Printing, // taken, on its way
        Printed,  // done
        Waiting,  // taken, but the printer is paused: it prints when resumed
        Failed,   // refused, cancelled or stopped by an error
    };
    State state = State::Printing;
    int job = 0;    // the system's job id; 0 when there is none
    QString reason; // in Chinese, for Waiting and Failed
};

// One printer's jobs of this user, before and after a job is handed over.
class PrinterQueue {
public:
    // Notes the newest job so far. printer: a destination as Qt names it
    // ("name" or "name/instance").
    explicit PrinterQueue(const QString &printer);

    // Right after the job was handed over (on the same thread, so that the
    // print system's last answer is still the one to the hand-over): the job
    // it became, or why there is none.
    JobOutcome handedOver() const;
    // The job's state now.
    JobOutcome job(int id) const;

    QString printer() const { return m_printer; }

private:
    int newestJob() const;
    QString printerStateReason() const;

    QString m_printer;
    int m_before = 0;
};

// Watches a job that was taken until it has printed or failed; a failure is
// said once, in a message box naming the printer and the reason.
class PrintJobWatch : public QObject {
    Q_OBJECT
public:
    PrintJobWatch(const PrinterQueue &queue, int job, QObject *parent);

signals:
    void failed(const QString &message);

private:
    void poll();

    PrinterQueue m_queue;
    int m_job;
    int m_polls = 0;
    QTimer m_timer;
};

// The message a clerk reads for a job that failed on printer.
QString jobFailedMessage(const QString &printer, const QString &reason);

} // namespace reports
