#include "reports/ui/printjob.h"

#include <cups/cups.h>

#include <QHash>

#include <algorithm>

#include <memory>

namespace reports {

namespace {

using std::chrono::milliseconds;

WatchTiming g_timing;

struct IppDeleter {
    void operator()(ipp_t *ipp) const { ippDelete(ipp); }
};
using Ipp = std::unique_ptr<ipp_t, IppDeleter>;

QByteArray queueName(const QString &printer)
{
    return printer.section(u'/', 0, 0).toUtf8();
}

QByteArray printerUri(const QByteArray &queue)
{
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(), "/printers/%s",
                     queue.constData());
    return QByteArray(uri);
}

// The print system's answer to a request about queue (and job, when not 0);
// nothing when it refused, cupsLastError() telling why.
Ipp ask(ipp_op_t operation, const QByteArray &queue, int job = 0)
{
    ipp_t *request = ippNewRequest(operation);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, printerUri(queue).constData());
    if (job)
        ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", job);
    Ipp response(cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/"));
    if (cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE)
        return nullptr;
    return response;
}

QString text(ipp_t *response, const char *name)
{
    ipp_attribute_t *attribute = ippFindAttribute(response, name, IPP_TAG_ZERO);
    return attribute ? QString::fromUtf8(ippGetString(attribute, 0, nullptr)) : QString();
}

QStringList texts(ipp_t *response, const char *name)
{
    QStringList all;
    ipp_attribute_t *attribute = ippFindAttribute(response, name, IPP_TAG_ZERO);
    for (int i = 0; attribute && i < ippGetCount(attribute); ++i)
        all << QString::fromUtf8(ippGetString(attribute, i, nullptr));
    return all;
}

int number(ipp_t *response, const char *name, int otherwise)
{
    ipp_attribute_t *attribute = ippFindAttribute(response, name, IPP_TAG_ZERO);
    return attribute ? ippGetInteger(attribute, 0) : otherwise;
}

// A failed request that means the service itself did not answer, not that
// it said no.
bool serviceAway(ipp_status_t status)
{
    return status == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE || status == IPP_STATUS_ERROR_INTERNAL
        || status == IPP_STATUS_ERROR_BUSY || status == IPP_STATUS_ERROR_TIMEOUT;
}

QueueLook::Job jobState(int ipp)
{
    switch (ipp) {
    case IPP_JSTATE_PENDING: return QueueLook::Job::Pending;
    case IPP_JSTATE_HELD: return QueueLook::Job::Held;
    case IPP_JSTATE_PROCESSING: return QueueLook::Job::Processing;
    case IPP_JSTATE_STOPPED: return QueueLook::Job::Stopped;
    case IPP_JSTATE_CANCELED: return QueueLook::Job::Canceled;
    case IPP_JSTATE_ABORTED: return QueueLook::Job::Aborted;
    case IPP_JSTATE_COMPLETED: return QueueLook::Job::Completed;
    default: return QueueLook::Job::Unknown;
    }
}

QueueLook::Printer printerState(int ipp)
{
    switch (ipp) {
    case IPP_PSTATE_IDLE: return QueueLook::Printer::Idle;
    case IPP_PSTATE_PROCESSING: return QueueLook::Printer::Processing;
    case IPP_PSTATE_STOPPED: return QueueLook::Printer::Stopped;
    default: return QueueLook::Printer::Unknown;
    }
}

// A printer's standard state keywords in the clerk's words; one unknown here
// is shown as the system names it.
QString reasonWords(QString keyword)
{
    for (const char *severity : {"-error", "-warning", "-report"})
        if (keyword.endsWith(QLatin1String(severity)))
            keyword.chop(int(qstrlen(severity)));
    static const QHash<QString, QString> words{
        {"connecting-to-device", "正在连接打印机"},
        {"offline", "打印机离线"},
        {"timed-out", "打印机没有应答"},
        {"shutdown", "打印机已关机"},
        {"media-empty", "缺纸"},
        {"media-needed", "缺纸"},
        {"media-jam", "卡纸"},
        {"toner-empty", "墨粉用完了"},
        {"marker-supply-empty", "墨粉或墨水用完了"},
        {"door-open", "机盖开着"},
        {"cover-open", "机盖开着"},
        {"output-area-full", "出纸盒满了"},
        {"cups-missing-filter", "打印系统缺少这台打印机的驱动程序"},
        {"cups-insecure-filter", "打印机的驱动程序不可信"},
    };
    return words.value(keyword, keyword);
}

// What the print system says is the matter with the printer: its message
// (a backend's words, or the reason an operator gave when stopping it)
// first, as given; its state keywords when it says nothing else.
QString troubleText(const QueueLook &look)
{
    if (!look.printerMessage.trimmed().isEmpty())
        return look.printerMessage.trimmed();
    if (!look.jobMessage.trimmed().isEmpty())
        return look.jobMessage.trimmed();
    QStringList words;
    for (const QString &reason : look.printerReasons)
        if (reason != QLatin1String("paused") && !words.contains(reasonWords(reason)))
            words << reasonWords(reason);
    return words.join(QStringLiteral("、"));
}

// Whether the print system says the printer cannot be reached: by its
// state keywords, or in its backends' words (English, or the scheduler's
// Chinese).
bool saysUnreachable(const QueueLook &look)
{
    static const QStringList keywords{QStringLiteral("connecting-to-device"), QStringLiteral("offline"),
                                      QStringLiteral("timed-out"), QStringLiteral("shutdown")};
    for (QString reason : look.printerReasons) {
        for (const char *severity : {"-error", "-warning", "-report"})
            if (reason.endsWith(QLatin1String(severity)))
                reason.chop(int(qstrlen(severity)));
        if (keywords.contains(reason))
            return true;
    }
    static const QStringList phrases{
        QStringLiteral("may not exist"),    QStringLiteral("not responding"), QStringLiteral("unable to locate"),
        QStringLiteral("unable to connect"), QStringLiteral("unreachable"),    QStringLiteral("unavailable"),
        QStringLiteral("not available"),     QStringLiteral("offline"),        QStringLiteral("is busy"),
        QStringLiteral("不存在"),            QStringLiteral("不可用"),         QStringLiteral("无法连接"),
        QStringLiteral("没有响应"),          QStringLiteral("无响应"),         QStringLiteral("脱机")};
    const QString said = (look.printerMessage + u'\n' + look.jobMessage).toLower();
    return std::any_of(phrases.begin(), phrases.end(), [&](const QString &p) { return said.contains(p); });
}

// Whether a stopped printer was stopped by the print system for an error
// (a backend that failed, a device it cannot write) rather than paused by
// an operator, whose reason is free words.
bool stoppedForError(const QueueLook &look)
{
    for (const QString &reason : look.printerReasons)
        if (reason.endsWith(QLatin1String("-error")))
            return true;
    static const QStringList phrases{QStringLiteral("failed"), QStringLiteral("unable to"), QStringLiteral("error"),
                                     QStringLiteral("失败"), QStringLiteral("无法"), QStringLiteral("出错")};
    const QString said = look.printerMessage.toLower();
    return std::any_of(phrases.begin(), phrases.end(), [&](const QString &p) { return said.contains(p); });
}

// The print system's refusal of a hand-over in the clerk's words, with the
// operator's reason (cupsreject -r) or the system's own words after.
QString refusalText(const QueueLook &look)
{
    QString reason;
    QString said = look.refusalWords;
    // The hand-over's own answer may be lost; a queue that refuses jobs tells why.
    const int status = look.refusal == IPP_STATUS_OK && !look.accepting ? IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS
                                                                         : look.refusal;
    switch (ipp_status_t(status)) {
    case IPP_STATUS_OK:
        reason = QStringLiteral("任务没有交到打印系统");
        said = troubleText(look);
        break;
    case IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS:
    case IPP_STATUS_ERROR_PRINTER_IS_DEACTIVATED:
        reason = QStringLiteral("打印机已停止接受新的打印任务");
        if (!troubleText(look).isEmpty())
            said = troubleText(look);
        break;
    case IPP_STATUS_ERROR_NOT_FOUND:
        reason = QStringLiteral("打印系统里没有这台打印机");
        break;
    case IPP_STATUS_ERROR_FORBIDDEN:
    case IPP_STATUS_ERROR_NOT_AUTHENTICATED:
    case IPP_STATUS_ERROR_NOT_AUTHORIZED:
        reason = QStringLiteral("没有在这台打印机上打印的权限");
        break;
    case IPP_STATUS_ERROR_DOCUMENT_FORMAT_NOT_SUPPORTED:
        reason = QStringLiteral("打印机不接受这种文件");
        break;
    default:
        reason = serviceAway(ipp_status_t(status)) ? QStringLiteral("打印服务没有响应")
                                                   : QStringLiteral("打印系统拒绝了这个任务");
        break;
    }
    return said.isEmpty() ? reason : QStringLiteral("%1（%2）").arg(reason, said);
}

QString quoted(const QString &document)
{
    return document.isEmpty() ? QStringLiteral("这份报表") : QStringLiteral("“%1”").arg(document);
}

} // namespace

JobView judgeJob(const QueueLook &look, milliseconds elapsed, const JobPatience &patience)
{
    if (!look.printerExists)
        return {JobPhase::PrinterGone, {}};
    if (look.job == 0)
        return {JobPhase::Refused, look.answered ? refusalText(look) : QStringLiteral("打印服务没有响应")};
    if (!look.answered)
        return {elapsed >= patience.patience ? JobPhase::ServiceAway : JobPhase::Printing, {}};
    switch (look.jobState) {
    case QueueLook::Job::Completed:
        return {JobPhase::Printed, {}};
    case QueueLook::Job::Canceled:
        return {JobPhase::Failed, QStringLiteral("任务已被取消")};
    case QueueLook::Job::Aborted:
        return {JobPhase::Failed, look.jobMessage.isEmpty() ? QStringLiteral("打印出错，任务已终止")
                                                             : QStringLiteral("打印出错（%1）").arg(look.jobMessage)};
    case QueueLook::Job::Held:
        return {JobPhase::Held, {}};
    case QueueLook::Job::Stopped:
        // The scheduler stops a job it cannot hand to the device; nothing
        // starts it again by itself.
        return {JobPhase::Stuck, troubleText(look)};
    case QueueLook::Job::Unknown:
    case QueueLook::Job::Pending:
    case QueueLook::Job::Processing:
        break;
    }
    if (look.printerState == QueueLook::Printer::Stopped)
        return {stoppedForError(look) ? JobPhase::Halted : JobPhase::Paused, troubleText(look)};
    if (elapsed >= patience.patience && saysUnreachable(look))
        return {JobPhase::NotAnswering, troubleText(look)};
    if (elapsed >= patience.withoutReason)
        return {JobPhase::Unfinished, troubleText(look)};
    return {JobPhase::Printing, {}};
}

bool jobSettled(JobPhase phase)
{
    return phase == JobPhase::Printed || phase == JobPhase::Refused || phase == JobPhase::Failed
        || phase == JobPhase::PrinterGone;
}

std::optional<JobNotice> jobNotice(const QString &printer, const QString &document, int job, JobPhase lastSaid,
                                   const JobView &now)
{
    if (now.phase == lastSaid || now.phase == JobPhase::Printing)
        return std::nullopt;
    const QString what = quoted(document);
    const QString number = job > 0 ? QStringLiteral("（任务 %1）").arg(job) : QString();
    const QString cancel = QStringLiteral("不再需要时，请在系统的打印队列里取消这个任务。");
    const auto tell = [](const QString &text) {
        return JobNotice{text, QStringLiteral("提示"), common::Icon::Information};
    };
    const auto warn = [](const QString &text) { return JobNotice{text, QStringLiteral("警告"), common::Icon::Warning}; };
    // CUPS's reason in brackets after what it explains; nothing when it gave none.
    const auto because = [&now](const QString &lead = {}) {
        return now.reason.isEmpty() ? QString() : QStringLiteral("（%1%2）").arg(lead, now.reason);
    };
    switch (now.phase) {
    case JobPhase::Printing:
        break;
    case JobPhase::Printed:
        // A job that simply printed needs no word; one said as waiting does.
        if (lastSaid == JobPhase::Printing)
            return std::nullopt;
        return tell(QStringLiteral("%1已在打印机“%2”上打印%3。").arg(what, printer, number));
    case JobPhase::Held:
        return tell(QStringLiteral("打印机“%1”：%2的任务被挂起%3，放行后才会打印。").arg(printer, what, number));
    case JobPhase::Paused:
        return tell(QStringLiteral("打印机“%1”已暂停%2，%3在排队%4，打印机恢复后才会打印。")
                        .arg(printer, because(), what, number));
    case JobPhase::Halted:
        return warn(QStringLiteral("打印系统因出错停用了打印机“%1”%2，%3在打印队列里等着%4，不会自己打印。\n"
                                   "请检查打印机是否开着、连线和设置是否正确，然后在系统的打印设置里重新启用这台打印机，"
                                   "任务随即打印。%5")
                        .arg(printer, because(), what, number, cancel));
    case JobPhase::NotAnswering:
        return warn(QStringLiteral("打印机“%1”没有应答，%2还没有打印，任务在打印队列里等着%3。\n"
                                   "打印系统说：%4\n"
                                   "请检查打印机是否开着、连线或网络是否接好；接通后会自动打印。%5")
                        .arg(printer, what, number,
                             now.reason.isEmpty() ? QStringLiteral("（没有说明原因）") : now.reason, cancel));
    case JobPhase::Unfinished:
        return tell(QStringLiteral("打印机“%1”还没有打完%2%3，任务在打印队列里%4。\n"
                                   "打印机若没有开着或没有接好，请检查；打完后会再告诉您。%5")
                        .arg(printer, what, number, because(QStringLiteral("打印系统说：")), cancel));
    case JobPhase::Stuck:
        return warn(QStringLiteral("%1的任务%2在打印机“%3”上停住了：打印系统无法把它送到打印机%4，"
                                   "它不会自己接着打印。\n"
                                   "请检查打印机是否开着、连线是否接好、打印机的设置是否正确，然后重新打印；%5")
                        .arg(what, number, printer, because(), cancel));
    case JobPhase::Refused:
    case JobPhase::Failed:
        return warn(QStringLiteral("打印机“%1”没有打印%2：%3。").arg(printer, what, now.reason));
    case JobPhase::PrinterGone:
        return warn(QStringLiteral("打印机“%1”已不在打印系统里（可能已被删除或改名），%2没有打印。\n"
                                   "请重新打印，在打印对话框里另选一台打印机。")
                        .arg(printer, what));
    case JobPhase::ServiceAway:
        return warn(QStringLiteral("打印服务没有响应，无法得知%1在打印机“%2”上是否打印了%3。").arg(what, printer, number));
    }
    return std::nullopt;
}

PrinterQueue::PrinterQueue(const QString &printer) : m_printer(printer), m_before(newestJob()) {}

int PrinterQueue::newestJob() const
{
    cups_job_t *jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queueName(m_printer).constData(), 1, CUPS_WHICHJOBS_ALL);
    int newest = 0;
    for (int i = 0; i < count; ++i)
        newest = std::max(newest, jobs[i].id);
    cupsFreeJobs(count, jobs);
    return newest;
}

void PrinterQueue::lookAtPrinter(QueueLook &look) const
{
    const Ipp response = ask(IPP_OP_GET_PRINTER_ATTRIBUTES, queueName(m_printer));
    if (!response) {
        const ipp_status_t status = cupsLastError();
        if (status == IPP_STATUS_ERROR_NOT_FOUND)
            look.printerExists = false;
        else
            look.answered = false;
        return;
    }
    look.printerState = printerState(number(response.get(), "printer-state", 0));
    look.accepting = number(response.get(), "printer-is-accepting-jobs", 1);
    look.printerMessage = text(response.get(), "printer-state-message");
    look.printerReasons = texts(response.get(), "printer-state-reasons");
    look.printerReasons.removeAll(QStringLiteral("none"));
}

QueueLook PrinterQueue::handedOver() const
{
    // The hand-over's answer first: every request below replaces it.
    const ipp_status_t status = cupsLastError();
    const QString said = QString::fromUtf8(cupsLastErrorString());
    const int newest = newestJob();
    if (newest > m_before)
        return look(newest);
    QueueLook refused;
    refused.refusal = status > IPP_STATUS_OK_EVENTS_COMPLETE ? status : IPP_STATUS_OK;
    refused.refusalWords = refused.refusal ? said : QString();
    lookAtPrinter(refused);
    return refused;
}

QueueLook PrinterQueue::look(int id) const
{
    QueueLook look;
    look.job = id;
    lookAtPrinter(look);
    if (!look.answered || !look.printerExists)
        return look;
    const Ipp response = ask(IPP_OP_GET_JOB_ATTRIBUTES, queueName(m_printer), id);
    if (!response) {
        const ipp_status_t status = cupsLastError();
        if (status == IPP_STATUS_ERROR_NOT_FOUND)
            look.jobState = QueueLook::Job::Canceled; // purged from the system's history
        else
            look.answered = false;
        return look;
    }
    look.jobState = jobState(number(response.get(), "job-state", IPP_JSTATE_PENDING));
    look.jobMessage = text(response.get(), "job-printer-state-message");
    return look;
}

void setWatchTiming(const WatchTiming &timing)
{
    g_timing = timing;
}

WatchTiming watchTiming()
{
    return g_timing;
}

PrintJobWatch::PrintJobWatch(const PrinterQueue &queue, const QString &document, int job, JobPhase lastSaid,
                             QObject *parent)
    : QObject(parent), m_queue(queue), m_document(document), m_job(job), m_lastSaid(lastSaid),
      m_patience(g_timing.patience)
{
    m_since.start();
    m_timer.setInterval(g_timing.poll);
    connect(&m_timer, &QTimer::timeout, this, &PrintJobWatch::poll);
    m_timer.start();
}

void PrintJobWatch::poll()
{
    const JobView now = judgeJob(m_queue.look(m_job), milliseconds(m_since.elapsed()), m_patience);
    const std::optional<JobNotice> notice = jobNotice(m_queue.printer(), m_document, m_job, m_lastSaid, now);
    if (notice)
        m_lastSaid = now.phase;
    if (jobSettled(now.phase)) {
        m_timer.stop();
        deleteLater();
    }
    if (notice)
        emit noticed(*notice);
}

} // namespace reports
