#include "IppPrinter.h"

#include "IppDriver.h"
#include "IppSource.h"
#include "PrinterServer.h"
#include "StatusConditions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <pappl/pappl.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <future>

using namespace Qt::StringLiterals;

namespace vprinter {

namespace {

constexpr int StartSeconds = 30;

// The printer-state-reasons keywords the status conditions' table names, as PAPPL's bits.
struct Reason
{
    const char *keyword;
    pappl_preason_t bit;
};
constexpr Reason Reasons[] = {
        {"cover-open", PAPPL_PREASON_COVER_OPEN},
        {"media-empty", PAPPL_PREASON_MEDIA_EMPTY},
        {"media-jam", PAPPL_PREASON_MEDIA_JAM},
        {"media-low", PAPPL_PREASON_MEDIA_LOW},
        {"offline", PAPPL_PREASON_OFFLINE},
        {"other", PAPPL_PREASON_OTHER},
};

pappl_preason_t reasonBit(const char *keyword)
{
    for (const Reason &reason : Reasons) {
        if (std::strcmp(reason.keyword, keyword) == 0)
            return reason.bit;
    }
    return PAPPL_PREASON_OTHER;
}

// Saved before the IPP service starts, which installs handlers of its own for these signals:
// the program keeps its own (the default ends it).
constexpr std::array ProgramSignals = {SIGTERM, SIGINT, SIGHUP};
std::array<struct sigaction, ProgramSignals.size()> savedSignals;

// The service's first timer: it runs on its loop once that has installed its handlers.
template<typename Startup>
bool serviceRunning(pappl_system_t *, void *data)
{
    auto *startup = static_cast<Startup *>(data);
    if (!std::exchange(startup->once, true)) {
        for (std::size_t i = 0; i < ProgramSignals.size(); ++i)
            sigaction(ProgramSignals[i], &savedSignals[i], nullptr);
        startup->running.set_value();
    }
    // It repeats each second, so that the loop looks at a shutdown request that often.
    return true;
}

const QString SpoolPrefix = u"virtual-printer-ipp-"_s;

// Removes the spool folders of virtual printers that are no longer running.
void removeStaleSpools()
{
    const QDir temp = QDir::temp();
    for (const QString &name : temp.entryList({SpoolPrefix + u'*'}, QDir::Dirs)) {
        bool ok = false;
        const qint64 pid = name.mid(SpoolPrefix.size()).toLongLong(&ok);
        if (ok && pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
            QDir(temp.filePath(name)).removeRecursively();
    }
}

bool avahiRuns()
{
    return QFileInfo::exists(u"/run/avahi-daemon/socket"_s)
           || QFileInfo::exists(u"/var/run/avahi-daemon/socket"_s);
}

} // namespace

struct IppPrinter::Startup
{
    std::promise<void> running;
    bool once = false; // only the timer's thread reads and sets it
};

IppPrinter::IppPrinter(PrinterServer *server, QObject *parent)
    : QObject(parent)
    , m_server(server)
    , m_paperDots(server->interpreter().printer().profile().paperDots)
{
    connect(server, &PrinterServer::statusChanged, this, &IppPrinter::followStatus);
}

IppPrinter::~IppPrinter()
{
    stop();
}

bool IppPrinter::start(const QString &host, quint16 port, QString *error)
{
    // Its spool, where documents wait to be printed, is named after the process and goes with
    // the printer; those of programs a signal ended are removed here.
    removeStaleSpools();
    m_spool = QDir::temp().filePath(SpoolPrefix
                                    + QString::number(QCoreApplication::applicationPid()));
    if (!QDir().mkpath(m_spool)) {
        *error = u"cannot make the spool folder "_s + m_spool;
        return false;
    }
    // The service's log goes to standard error, errors only. No TLS, no web pages of its own:
    // the printer's page is --http's.
    m_system = papplSystemCreate(PAPPL_SOPTIONS_NO_TLS,
                                 "Thermal Printer Demo virtual printer",
                                 port,
                                 "_print,_universal",
                                 QFile::encodeName(m_spool).constData(),
                                 "-",
                                 PAPPL_LOGLEVEL_ERROR,
                                 nullptr,
                                 false);
    if (!m_system) {
        *error = u"the IPP service cannot be made"_s;
        return false;
    }
    const QByteArray listener = host.contains(u':') ? ('[' + host.toLatin1() + ']')
                                                    : host.toLatin1();
    if (!papplSystemAddListeners(m_system, listener.constData())) {
        *error = port == 0 ? u"no free port"_s : u"the address cannot be had"_s;
        papplSystemDelete(std::exchange(m_system, nullptr));
        return false;
    }
    IppDriver::install(m_system, this);
    m_printer = papplPrinterCreate(
            m_system,
            0,
            "print",
            IppDriver::Name,
            "MFG:Thermal Printer Demo;MDL:Virtual Printer;CMD:ESCPOS,PWGRaster,URF;",
            IppDriver::DeviceUri);
    if (!m_printer) {
        *error = u"the IPP printer cannot be made"_s;
        papplSystemDelete(std::exchange(m_system, nullptr));
        return false;
    }
    // Jobs wait their turn in the service's spool, a bounded number of them; past it, clients
    // are told the printer is busy and send again later.
    papplPrinterSetMaxActiveJobs(m_printer, MaxWaitingJobs);
    // Where no Avahi daemon runs, nothing is advertised and nothing complains.
    const bool advertised = avahiRuns();
    papplSystemSetDNSSDName(m_system, advertised ? "Thermal Printer Demo" : nullptr);
    papplPrinterSetDNSSDName(m_printer,
                             advertised ? "Thermal Printer Demo virtual printer" : nullptr);
    followStatus();

    for (std::size_t i = 0; i < ProgramSignals.size(); ++i)
        sigaction(ProgramSignals[i], nullptr, &savedSignals[i]);
    m_startup = std::make_unique<Startup>();
    std::future<void> running = m_startup->running.get_future();
    papplSystemAddTimerCallback(
            m_system, time(nullptr), 1, serviceRunning<Startup>, m_startup.get());
    m_thread = std::thread([system = m_system] { papplSystemRun(system); });
    // The service's loop fires its first timer at once; a loop that has not done so in this
    // time did not start.
    if (running.wait_for(std::chrono::seconds(StartSeconds)) != std::future_status::ready) {
        *error = u"the IPP service did not start"_s;
        stop();
        return false;
    }

    const QString shown = host.contains(u':') ? u'[' + host + u']' : host;
    m_uri = u"ipp://%1:%2/ipp/print"_s.arg(shown).arg(papplSystemGetHostPort(m_system));
    return true;
}

bool IppPrinter::deliver(const QByteArray &bytes)
{
    auto completion = std::make_shared<IppCompletion>();
    {
        const std::lock_guard lock(m_waitersMutex);
        if (m_stopping)
            return false;
        m_waiters.append(completion);
    }
    QMetaObject::invokeMethod(
            this, [this, bytes, completion] { take(bytes, completion); }, Qt::QueuedConnection);
    const bool printed = completion->wait(m_stopping);
    const std::lock_guard lock(m_waitersMutex);
    m_waiters.removeIf([](const std::weak_ptr<IppCompletion> &waiter) { return waiter.expired(); });
    return printed;
}

void IppPrinter::take(const QByteArray &bytes, const std::shared_ptr<IppCompletion> &completion)
{
    // Off-line, the printer holds the job until the condition clears, as a printer holds what
    // it was sent; the job stays "processing" meanwhile.
    if (m_offline)
        m_held.append({bytes, completion});
    else
        m_server->print(new IppSource(bytes, completion));
}

void IppPrinter::followStatus()
{
    if (!m_printer)
        return;
    const emulator::StatusConditions &status = m_server->status();
    pappl_preason_t reasons = PAPPL_PREASON_NONE;
    pappl_preason_t known = PAPPL_PREASON_OFFLINE;
    for (const emulator::StatusCondition &row : emulator::statusConditionTable()) {
        if (!row.ipp)
            continue;
        known = pappl_preason_t(known | reasonBit(row.ipp));
        if (status.*row.flag)
            reasons = pappl_preason_t(reasons | reasonBit(row.ipp));
    }
    const bool offline = status.offline();
    if (offline)
        reasons = pappl_preason_t(reasons | PAPPL_PREASON_OFFLINE);
    papplPrinterSetReasons(m_printer, reasons, pappl_preason_t(known & ~reasons));
    // The roll is the printer's one supply: empty at the paper end, low near it.
    pappl_supply_t roll{
            PAPPL_SUPPLY_COLOR_NO_COLOR, "Paper roll", true, 100, PAPPL_SUPPLY_TYPE_OTHER};
    if (status.paperEnd)
        roll.level = 0;
    else if (status.paperNearEnd || status.nearEnd)
        roll.level = 10;
    papplPrinterSetSupplies(m_printer, 1, &roll);
    if (offline == std::exchange(m_offline, offline))
        return;
    // Stopped, the IPP service starts no job that is waiting; those that were being made into
    // printer bytes are held above.
    if (offline) {
        papplPrinterPause(m_printer);
        return;
    }
    papplPrinterResume(m_printer);
    for (const auto &[bytes, completion] : std::exchange(m_held, {}))
        m_server->print(new IppSource(bytes, completion));
}

void IppPrinter::stop()
{
    if (!m_system)
        return;
    // Job threads waiting for the printer's thread, which waits here, give up.
    {
        const std::lock_guard lock(m_waitersMutex);
        m_stopping = true;
        for (const std::weak_ptr<IppCompletion> &waiter : std::as_const(m_waiters)) {
            if (const auto completion = waiter.lock())
                completion->wake();
        }
    }
    m_held.clear();
    if (m_thread.joinable()) {
        papplSystemShutdown(m_system);
        m_thread.join();
    }
    papplSystemDelete(std::exchange(m_system, nullptr));
    m_printer = nullptr;
    QDir(m_spool).removeRecursively();
}

} // namespace vprinter
