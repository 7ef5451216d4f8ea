#include "reports/ui/printjob.h"

#include <cups/cups.h>

#include <memory>

namespace reports {

namespace {

// How long a taken job is watched: long enough for a slow filter to fail.
constexpr int kPollMs = 500;
constexpr int kMaxPolls = 240;

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

// The print system's answer to a request about queue (and job, when not 0).
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

int number(ipp_t *response, const char *name, int otherwise)
{
    ipp_attribute_t *attribute = ippFindAttribute(response, name, IPP_TAG_ZERO);
    return attribute ? ippGetInteger(attribute, 0) : otherwise;
}

// The print system's refusal in the clerk's words, its own name for it after.
QString refusal(ipp_status_t status, const QString &said)
{
    QString reason;
    switch (status) {
    case IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS:
    case IPP_STATUS_ERROR_PRINTER_IS_DEACTIVATED:
        reason = QStringLiteral("打印机已停止接受新的打印任务");
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
    case IPP_STATUS_ERROR_SERVICE_UNAVAILABLE:
    case IPP_STATUS_ERROR_INTERNAL:
    case IPP_STATUS_ERROR_BUSY:
        reason = QStringLiteral("打印服务没有响应");
        break;
    default:
        reason = QStringLiteral("打印系统拒绝了这个任务");
        break;
    }
    return said.isEmpty() ? reason : QStringLiteral("%1（%2）").arg(reason, said);
}

} // namespace

QString jobFailedMessage(const QString &printer, const QString &reason)
{
    return QStringLiteral("打印机“%1”没有打印这份报表：%2。").arg(printer, reason);
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

QString PrinterQueue::printerStateReason() const
{
    const Ipp response = ask(IPP_OP_GET_PRINTER_ATTRIBUTES, queueName(m_printer));
    if (!response)
        return refusal(cupsLastError(), QString::fromUtf8(cupsLastErrorString()));
    const QString message = text(response.get(), "printer-state-message");
    if (!number(response.get(), "printer-is-accepting-jobs", 1))
        return refusal(IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS, message);
    return message.isEmpty() ? QStringLiteral("任务没有交到打印系统") : message;
}

JobOutcome PrinterQueue::handedOver() const
{
    // The hand-over's answer first: every request below replaces it.
    const ipp_status_t status = cupsLastError();
    const QString said = QString::fromUtf8(cupsLastErrorString());
    const int newest = newestJob();
    if (newest > m_before)
        return job(newest);
    if (status > IPP_STATUS_OK_EVENTS_COMPLETE)
        return {JobOutcome::State::Failed, 0, refusal(status, said)};
    return {JobOutcome::State::Failed, 0, printerStateReason()};
}

JobOutcome PrinterQueue::job(int id) const
{
    const Ipp response = ask(IPP_OP_GET_JOB_ATTRIBUTES, queueName(m_printer), id);
    if (!response)
        return {JobOutcome::State::Failed, id, refusal(cupsLastError(), QString::fromUtf8(cupsLastErrorString()))};
    const auto state = ipp_jstate_t(number(response.get(), "job-state", IPP_JSTATE_PENDING));
    const QString message = text(response.get(), "job-printer-state-message");
    switch (state) {
    case IPP_JSTATE_COMPLETED:
        return {JobOutcome::State::Printed, id, {}};
    case IPP_JSTATE_ABORTED:
        return {JobOutcome::State::Failed, id,
                message.isEmpty() ? QStringLiteral("打印出错，任务已终止") : QStringLiteral("打印出错（%1）").arg(message)};
    case IPP_JSTATE_CANCELED:
        return {JobOutcome::State::Failed, id, QStringLiteral("任务已被取消")};
    case IPP_JSTATE_HELD:
        return {JobOutcome::State::Waiting, id, QStringLiteral("任务被挂起，放行后才会打印")};
    case IPP_JSTATE_STOPPED:
        return {JobOutcome::State::Waiting, id, QStringLiteral("任务已停止，打印机恢复后才会打印")};
    case IPP_JSTATE_PENDING:
    case IPP_JSTATE_PROCESSING:
        break;
    }
    // A job waits on a paused printer without saying so itself.
    const Ipp printer = ask(IPP_OP_GET_PRINTER_ATTRIBUTES, queueName(m_printer));
    if (printer && number(printer.get(), "printer-state", IPP_PSTATE_IDLE) == IPP_PSTATE_STOPPED)
        return {JobOutcome::State::Waiting, id, QStringLiteral("打印机已暂停，任务在排队，打印机恢复后才会打印")};
    return {JobOutcome::State::Printing, id, {}};
}

PrintJobWatch::PrintJobWatch(const PrinterQueue &queue, int job, QObject *parent)
    : QObject(parent), m_queue(queue), m_job(job)
{
    m_timer.setInterval(kPollMs);
    connect(&m_timer, &QTimer::timeout, this, &PrintJobWatch::poll);
    m_timer.start();
}

void PrintJobWatch::poll()
{
    const JobOutcome now = m_queue.job(m_job);
    if (now.state == JobOutcome::State::Failed)
        emit failed(jobFailedMessage(m_queue.printer(), now.reason));
    if (now.state == JobOutcome::State::Failed || now.state == JobOutcome::State::Printed || ++m_polls >= kMaxPolls) {
        m_timer.stop();
        deleteLater();
    }
}

} // namespace reports
