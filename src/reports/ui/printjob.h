#pragma once
// What became of a print job, asked of the print system (CUPS, through
// libcups, which is also what Qt's print support hands jobs to). Qt's
// printer does not tell whether the system took the job: a queue that
// refuses jobs, a printer that is gone, a device that cannot be reached all
// end in silence unless the system is asked. What the clerk is told follows
// from one look at the job and its printer (QueueLook) by pure functions;
// PrinterQueue takes the looks, PrintJobWatch repeats them.
#include "common/ui/prompt.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <chrono>
#include <optional>

namespace reports {

// The job and its printer as the print system answered at one moment.
struct QueueLook {
    enum class Job { Unknown, Pending, Held, Processing, Stopped, Canceled, Aborted, Completed };
    enum class Printer { Unknown, Idle, Processing, Stopped };

    int job = 0;                 // the system's job id; 0 when none was made
    bool answered = true;        // the print service answered at all
    bool printerExists = true;   // the queue is still there
    Job jobState = Job::Unknown;
    QString jobMessage;          // job-printer-state-message
    Printer printerState = Printer::Unknown;
    bool accepting = true;
    QString printerMessage;      // printer-state-message: the backend's words, or the operator's reason
    QStringList printerReasons;  // printer-state-reasons, "none" left out
    // A hand-over the print system refused: its status (0: none) and its words.
    int refusal = 0;
    QString refusalWords;
};

// Where a job stands, and in what words.
enum class JobPhase {
    Printing,     // on its way; nothing to say
    Printed,
    Held,         // held in the queue until released
    Paused,       // queued on a printer an operator paused: prints once it is resumed
    Halted,       // queued on a printer the print system stopped for an error: waits until someone mends it
    NotAnswering, // the print system says the printer does not answer: the job waits
    Unfinished,   // long on its way, for no reason the print system names as trouble
    Stuck,        // stopped by an error: it will not print by itself
    Refused,      // the system took no job
    Failed,       // cancelled or aborted
    PrinterGone,  // the queue no longer exists
    ServiceAway,  // the print service itself does not answer
};

struct JobView {
    JobPhase phase = JobPhase::Printing;
    QString reason; // the print system's own words, or the clerk's words for a refusal
};

// How long a job may be on its way before the clerk is told: a printer the
// print system says it cannot reach after `patience`; a job still not done
// for any other reason (a long job, words the program does not know) after
// `withoutReason`.
struct JobPatience {
    std::chrono::milliseconds patience{20000};
    std::chrono::milliseconds withoutReason{50000};
};

// What a look at a job means, elapsed after it was handed over.
JobView judgeJob(const QueueLook &look, std::chrono::milliseconds elapsed, const JobPatience &patience = {});

// Whether the job needs no more watching.
bool jobSettled(JobPhase phase);

struct JobNotice {
    QString text;
    QString title;
    common::Icon icon = common::Icon::None;
};

// What to tell the clerk when the job of document on printer is seen as now,
// the last thing said of it being lastSaid (Printing when nothing was).
// Nothing when there is nothing new: a job that simply prints is not said.
std::optional<JobNotice> jobNotice(const QString &printer, const QString &document, int job, JobPhase lastSaid,
                                   const JobView &now);

// One printer's jobs of this user, before and after a job is handed over.
class PrinterQueue {
public:
    // Notes the newest job so far. printer: a destination as Qt names it
    // ("name" or "name/instance").
    explicit PrinterQueue(const QString &printer);

    // Right after the job was handed over (on the same thread, so that the
    // print system's last answer is still the one to the hand-over): the job
    // it became, or why there is none.
    QueueLook handedOver() const;
    // The job and its printer now.
    QueueLook look(int job) const;

    QString printer() const { return m_printer; }

private:
    int newestJob() const;
    void lookAtPrinter(QueueLook &look) const;

    QString m_printer;
    int m_before = 0;
};

// How often a watched job is looked at, and how long it may stand still.
struct WatchTiming {
    std::chrono::milliseconds poll{1000};
    JobPatience patience;
};
// For every watch started from now on; tests shorten the waits.
void setWatchTiming(const WatchTiming &timing);
WatchTiming watchTiming();

// Watches a job that was taken until it has printed, failed or its printer
// is gone, for as long as its owner lives; says what the clerk should know
// as it happens (noticed): a printer that does not answer, a stopped job,
// and then what became of it.
class PrintJobWatch : public QObject {
    Q_OBJECT
public:
    // lastSaid: what was already said of the job at the hand-over.
    PrintJobWatch(const PrinterQueue &queue, const QString &document, int job, JobPhase lastSaid, QObject *parent);

signals:
    void noticed(const reports::JobNotice &notice);

private:
    void poll();

    PrinterQueue m_queue;
    QString m_document;
    int m_job;
    JobPhase m_lastSaid;
    JobPatience m_patience;
    QElapsedTimer m_since;
    QTimer m_timer;
};

} // namespace reports
