// The built corvale program on a real desktop (Xvfb and openbox), driven with
// real key events through xdotool as a clerk would drive it, and judged by
// what lands in the database file.
#include "support/checked.h"
#include "support/heldrelay.h"
#include "support/jobtable.h"
#include "support/pdfwords.h"
#include "support/readsheet.h"

#include "common/sitesettings.h"

#include "store/database.h"
#include "store/fields.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

namespace {

constexpr int kWindowWaitMs = 20000;

QString corvalePath() { return QStringLiteral(CORVALE_BINARY_DIR "/src/shell/corvale"); }

// One xdotool command; its standard output, trimmed. Empty when it failed.
QString xdotool(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return p.exitCode() == 0 ? QString::fromUtf8(p.readAllStandardOutput()).trimmed() : QString();
}

// title as an extended regular expression matching only itself.
QString exactly(const QString &title)
{
    QString out;
    for (const QChar c : title) {
        if (QStringLiteral(".[]()*+?{}|^$\\").contains(c))
            out += QLatin1Char('\\');
        out += c;
    }
    return out;
}

// A running copy of the program in a data folder of its own.
class Program {
public:
    explicit Program(const QString &folder)
    {
        m_process.setWorkingDirectory(folder);
        m_process.setProcessChannelMode(QProcess::ForwardedChannels);
        m_process.start(corvalePath(), {});
    }
    ~Program()
    {
        // Only this test's own child is ever signalled.
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    bool started() { return m_process.waitForStarted(); }
    bool running() const { return m_process.state() == QProcess::Running; }
    QString pid() const { return QString::number(m_process.processId()); }
    bool waitForEnd(int *exitCode)
    {
        const bool ended = m_process.waitForFinished(kWindowWaitMs);
        *exitCode = m_process.exitCode();
        return ended;
    }

    // The id of a visible window of this copy with exactly this title (or,
    // with prefix, a title beginning so), or empty.
    QString window(const QString &title, bool prefix = false) const
    {
        const QString ids = xdotool({QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"),
                                     QStringLiteral("--pid"), pid(), QStringLiteral("--name"),
                                     QLatin1Char('^') + exactly(title) + (prefix ? QString() : QStringLiteral("$"))});
        return ids.section(u'\n', 0, 0);
    }

    // Waits until such a window is shown and has the keyboard focus.
    QString waitForActive(const QString &title, bool prefix = false) const
    {
        QString id;
        const bool active = QTest::qWaitFor([&] {
            id = window(title, prefix);
            return !id.isEmpty() && xdotool({QStringLiteral("getactivewindow")}) == id;
        }, kWindowWaitMs);
        return active ? id : QString();
    }

    bool waitGone(const QString &title) const
    {
        return QTest::qWaitFor([&] { return window(title).isEmpty(); }, kWindowWaitMs);
    }

private:
    QProcess m_process;
};

void keys(const QString &sequence) { xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), sequence}); }
// Letters of the keyboard's own layout: a character the layout lacks is typed
// by remapping a key on the fly, which the program may read before the new
// mapping has reached it.
void typeText(const QString &text) { xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("15"), text}); }

// Types pinyin with the input method switched on for it by Ctrl+Space, as a
// clerk does; presses a key while it composes (if one is given), commits the
// candidate it stands on with space and switches the input method off again.
void typePinyin(const QString &pinyin, const QString &keyWhileComposing = QString())
{
    keys(QStringLiteral("ctrl+space"));
    typeText(pinyin);
    if (!keyWhileComposing.isEmpty())
        keys(keyWhileComposing);
    keys(QStringLiteral("space"));
    keys(QStringLiteral("ctrl+space"));
}

// What fcitx5 says of its input contexts: one line each, with its id, the
// program that holds it and whether it has the focus.
QString inputContexts()
{
    QProcess debug;
    debug.start(QStringLiteral("gdbus"), {QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"),
                                          QStringLiteral("org.fcitx.Fcitx5"), QStringLiteral("--object-path"),
                                          QStringLiteral("/controller"), QStringLiteral("--method"),
                                          QStringLiteral("org.fcitx.Fcitx.Controller1.DebugInfo")});
    debug.waitForFinished(5000);
    // gdbus prints the answer as a quoted string with its line ends escaped.
    return QString::fromUtf8(debug.readAllStandardOutput()).replace(QStringLiteral("\\n"), QStringLiteral("\n"));
}

// The input contexts fcitx5 holds for the program's windows that take text:
// set up (fcitx5 knows what the field can do) and not told to stay off.
QStringList textInputContexts()
{
    static const QRegularExpression context(QStringLiteral("IC \\[(\\w+)\\] program:corvale \\S+ cap:([0-9a-f]+)"));
    constexpr quint64 kDisabled = quint64(1) << 40;
    QStringList ids;
    for (auto it = context.globalMatch(inputContexts()); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const quint64 capability = m.captured(2).toULongLong(nullptr, 16);
        if (capability != 0 && !(capability & kDisabled))
            ids << m.captured(1);
    }
    return ids;
}

// Waits until fcitx5 holds an input context for a window of the program that
// takes text, other than those given (the windows open before), and returns
// its id. The program sets a window's context up over D-Bus after the window
// shows; keys typed before that reach the field without the input method.
// Whether fcitx5 lists the context as focused does not matter: the program
// gives it the focus again with every key.
QString newInputMethodField(const QStringList &before = {})
{
    QString id;
    const bool held = QTest::qWaitFor([&] {
        const QStringList now = textInputContexts();
        const auto fresh = std::find_if(now.begin(), now.end(), [&](const QString &c) { return !before.contains(c); });
        id = fresh == now.end() ? QString() : *fresh;
        return !id.isEmpty();
    }, kWindowWaitMs);
    if (!held)
        qWarning().noquote() << "fcitx5 holds no new input context of the program:" << inputContexts();
    return id;
}

// Reads a database file through a connection of its own.
QVariantList columnOf(const QString &file, const QString &sql)
{
    const QString name = QUuid::createUuid().toString();
    QVariantList out;
    {
        QSqlDatabase c = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        c.setDatabaseName(file);
        c.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!c.open())
            qWarning() << "cannot open the file:" << c.lastError().text() << QFileInfo(file).absoluteDir().entryList();
        else {
            QSqlQuery q(c);
            if (!q.exec(sql))
                qWarning() << "cannot read the file:" << q.lastError().text();
            while (q.next())
                out << q.value(0);
        }
    }
    QSqlDatabase::removeDatabase(name);
    return out;
}

QVariantList column(const QString &folder, const QString &sql)
{
    return columnOf(QDir(folder).filePath(store::databaseFileName()), sql);
}

QString nameOf(const QString &folder, int job)
{
    const QVariantList v = column(folder, QStringLiteral("select 客户姓名 from 客户信息 where 编号=%1").arg(job));
    return v.isEmpty() ? QStringLiteral("<no job %1>").arg(job) : v.first().toString();
}

// 客户姓名 of a job on the test's server.
QString serverName(const QString &server, int job)
{
    auto dbOpened = store::Database::open(server);
    if (dbOpened.failed())
        return dbOpened.error().text;
    const auto db = std::move(dbOpened).value();
    QSqlQuery q(db->sql());
    q.prepare(QStringLiteral("SELECT \"客户姓名\" FROM \"客户信息\" WHERE \"编号\" = ?"));
    q.addBindValue(job);
    return q.exec() && q.next() ? q.value(0).toString() : QStringLiteral("<no job %1>").arg(job);
}

// Waits until the file says what is expected; the program saves on its own time.
bool fileShows(const std::function<bool()> &expected) { return QTest::qWaitFor(expected, kWindowWaitMs); }

const QString kWorkspace = QStringLiteral("Corvale V3.0");

// A first start in an empty folder: the new, empty file is announced once,
// then the workspace opens.
bool firstStart(Program &corvale)
{
    if (!corvale.started() || corvale.waitForActive(QStringLiteral("提示")).isEmpty())
        return false;
    keys(QStringLiteral("Return"));
    return !corvale.waitForActive(kWorkspace).isEmpty();
}

// Whether the window lies wholly on the screen: on a low screen at a large
// scale the workspace's navigator was once off its bottom edge. xwininfo,
// as xdotool counts the frame's offset into the position.
bool wholeOnScreen(const QString &window)
{
    const auto geometry = [](const QStringList &args) {
        QProcess p;
        p.start(QStringLiteral("xwininfo"), args);
        p.waitForFinished(10000);
        QMap<QString, int> at;
        for (const QString &line : QString::fromUtf8(p.readAllStandardOutput()).split(u'\n'))
            at.insert(line.section(u':', 0, 0).trimmed(), line.section(u':', 1).trimmed().toInt());
        return at;
    };
    const QMap<QString, int> w = geometry({QStringLiteral("-id"), window});
    const QMap<QString, int> screen = geometry({QStringLiteral("-root")});
    const int x = w.value(QStringLiteral("Absolute upper-left X"), -1), y = w.value(QStringLiteral("Absolute upper-left Y"), -1);
    return x >= 0 && y >= 0 && w.value(QStringLiteral("Width")) > 0
        && x + w.value(QStringLiteral("Width")) <= screen.value(QStringLiteral("Width"))
        && y + w.value(QStringLiteral("Height")) <= screen.value(QStringLiteral("Height"));
}

// Clicks a point of a window, given in twips from its corner as the panel is laid out.
void clickAt(const QString &window, int xTwips, int yTwips)
{
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window, QString::number(xTwips / 15),
             QString::number(yTwips / 15)});
    xdotool({QStringLiteral("click"), QStringLiteral("1")});
}

// A shop that has filled in its particulars: no placeholder to point out.
bool fillParticulars(const QString &folder)
{
    common::SiteSettings settings = common::SiteSettings::defaults();
    settings.servicePoint = {"浙江省宁波市", "甬江维修部", "中山路1号", "315000", "87654321",
                             "87654322", "www.example.com", "陈明", "12345"};
    return settings.save(QDir(folder).filePath(common::settingsFileName())).ok();
}

// What corvale-render draws into a PDF for these arguments; empty when it failed.
QString rendered(const QStringList &args)
{
    QProcess render;
    render.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    render.start(QStringLiteral(CORVALE_BINARY_DIR "/src/reports/corvale-render"), args);
    return render.waitForFinished(60000) && render.exitCode() == 0 ? args.last() : QString();
}

// Prints the active preview through the print dialog on the default printer.
bool printFromPreview(const Program &corvale)
{
    keys(QStringLiteral("alt+p"));
    if (corvale.waitForActive(QStringLiteral("打印")).isEmpty())
        return false;
    keys(QStringLiteral("Return"));
    return corvale.waitGone(QStringLiteral("打印"));
}

} // namespace

class TestDesktop : public QObject {
    Q_OBJECT
private slots:
    // The tools every case drives: said once, not as a timeout in each case.
    void initTestCase()
    {
        for (const char *tool : {"xdotool", "xprop", "xwininfo", "openbox", "gdbus"})
            QVERIFY2(!QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty(),
                     qPrintable(QStringLiteral("%1 is missing: run scripts/install-deps.sh").arg(QLatin1String(tool))));
    }

    void init()
    {
        // With the jobs on the test's server only the server's cases run.
        const QByteArray name(QTest::currentTestFunction());
        const bool serverCase = name == "twoDesksOnOneServer" || name == "serverThatStopsAnsweringLosesNoKeys";
        if (onServer() != serverCase)
            QSKIP(onServer() ? "a case of the database file" : "needs the test's PostgreSQL server");
    }

    void firstStartThenAppendAndMove()
    {
        QTemporaryDir folder;
        Program corvale(folder.path());
        QVERIFY(firstStart(corvale));
        QVERIFY(wholeOnScreen(corvale.window(kWorkspace)));
        QCOMPARE(column(folder.path(), QStringLiteral("select count(*) from 客户信息")), QVariantList{0});

        keys(QStringLiteral("alt+a"));
        typeText(QStringLiteral("Zhang San"));
        keys(QStringLiteral("alt+a"));
        typeText(QStringLiteral("Li Si"));
        keys(QStringLiteral("Prior"));
        QVERIFY2(fileShows([&] { return nameOf(folder.path(), 2) == QStringLiteral("Li Si"); }),
                 qPrintable(nameOf(folder.path(), 2)));
        QCOMPARE(nameOf(folder.path(), 1), QStringLiteral("Zhang San"));
        QCOMPARE(column(folder.path(), QStringLiteral("select count(*) from 客户信息")), QVariantList{2});
    }

    // The clerk's Chinese input method (fcitx5 pinyin, which the test command
    // starts), switched on and off with Ctrl+Space as a clerk does: a page
    // key, Enter or Tab pressed while pinyin waits for its candidate leaves
    // neither the job, the window nor the field; the chosen characters are
    // stored. A name, a query text and a lookup entry are typed so.
    void pinyinThroughNameQueryAndLookup()
    {
        QTemporaryDir folder;
        QVERIFY(createJobTable(folder.path(), {makeJob(1, {{QStringLiteral("客户姓名"), QStringLiteral("Li")}})}));
        const auto districtOf = [&](int job) {
            return column(folder.path(), QStringLiteral("select 地区 from 客户信息 where 编号=%1").arg(job)).value(0).toString();
        };
        const QString job1District = districtOf(1);
        Program corvale(folder.path());
        QVERIFY(corvale.started());
        QVERIFY(!corvale.waitForActive(kWorkspace).isEmpty());
        keys(QStringLiteral("alt+a"));
        // Keys typed while the program writes would be dropped as typed during a wait.
        QVERIFY(fileShows([&] { return column(folder.path(), QStringLiteral("select count(*) from 客户信息")) == QVariantList{2}; }));
        const QString workspaceField = newInputMethodField();
        QVERIFY(!workspaceField.isEmpty());
        typePinyin(QStringLiteral("zhao"), QStringLiteral("Prior"));
        keys(QStringLiteral("Prior"));
        // One character of the pinyin, and no Latin letters left over.
        const auto oneHanCharacter = [](const QString &text) {
            return text.size() == 1 && text.at(0).script() == QChar::Script_Han;
        };
        QVERIFY2(fileShows([&] { return oneHanCharacter(nameOf(folder.path(), 2)); }), qPrintable(nameOf(folder.path(), 2)));
        QCOMPARE(nameOf(folder.path(), 1), QStringLiteral("Li"));

        // Enter during the composition puts the letters in as typed and does
        // not search yet (a search for them would find nothing and say so);
        // the clerk overtypes them with the character.
        keys(QStringLiteral("alt+i"));
        QVERIFY(!corvale.waitForActive(QStringLiteral("信息查询窗口")).isEmpty());
        QVERIFY(!newInputMethodField({workspaceField}).isEmpty());
        keys(QStringLiteral("ctrl+space"));
        typeText(QStringLiteral("zhao"));
        keys(QStringLiteral("Return"));
        keys(QStringLiteral("ctrl+space"));
        keys(QStringLiteral("ctrl+a"));
        typePinyin(QStringLiteral("zhao"));
        keys(QStringLiteral("Return"));
        QVERIFY(!corvale.waitForActive(kWorkspace).isEmpty());

        // The workspace stood on job 1; the search brought job 2. Tab while
        // pinyin composes in 地区 stays there; 刷新 saves what was chosen.
        for (int field = 0; field < 5; ++field) // 姓名 → 地区
            keys(QStringLiteral("Tab"));
        typePinyin(QStringLiteral("jiang"), QStringLiteral("Tab"));
        keys(QStringLiteral("alt+r"));
        QVERIFY2(fileShows([&] { return oneHanCharacter(districtOf(2)); }), qPrintable(districtOf(2)));
        QCOMPARE(districtOf(1), job1District);
    }

    void numberSearchThenDeleteHitsThatJob()
    {
        QTemporaryDir folder;
        QVERIFY(createJobTable(folder.path(), makeJobs(1, 20)));
        const QString job20 = nameOf(folder.path(), 20);
        Program corvale(folder.path());
        QVERIFY(corvale.started());
        QVERIFY(!corvale.waitForActive(kWorkspace).isEmpty());

        // Find job 7 and type its name: the name lands in job 7, nowhere else.
        keys(QStringLiteral("alt+n"));
        QVERIFY(!corvale.waitForActive(QStringLiteral("编号")).isEmpty());
        typeText(QStringLiteral("7"));
        keys(QStringLiteral("Return"));
        QVERIFY(!corvale.waitForActive(kWorkspace).isEmpty());
        keys(QStringLiteral("ctrl+a"));
        typeText(QStringLiteral("Wang Wu"));

        // Find job 5 (leaving job 7 saves it), then delete: job 5 goes.
        keys(QStringLiteral("alt+n"));
        QVERIFY(!corvale.waitForActive(QStringLiteral("编号")).isEmpty());
        typeText(QStringLiteral("5"));
        keys(QStringLiteral("Return"));
        QVERIFY(!corvale.waitForActive(kWorkspace).isEmpty());
        keys(QStringLiteral("alt+d"));
        QVERIFY(!corvale.waitForActive(QStringLiteral("警告")).isEmpty());
        keys(QStringLiteral("alt+y"));
        QVERIFY(fileShows([&] {
            return column(folder.path(), QStringLiteral("select count(*) from 客户信息")) == QVariantList{19};
        }));
        QCOMPARE(column(folder.path(), QStringLiteral("select count(*) from 客户信息 where 编号=5")), QVariantList{0});
        QCOMPARE(nameOf(folder.path(), 7), QStringLiteral("Wang Wu"));
        QCOMPARE(nameOf(folder.path(), 20), job20);
    }

    void refusedSaveLetsTheClerkCorrect()
    {
        QTemporaryDir folder;
        QVERIFY(createJobTable(folder.path(), makeJobs(1, 3)));
        Program corvale(folder.path());
        QVERIFY(corvale.started());
        QVERIFY(!corvale.waitForActive(kWorkspace).isEmpty());

        // 客户姓名 holds at most 50 characters; the focus is in it after start.
        keys(QStringLiteral("ctrl+a"));
        typeText(QString(51, QLatin1Char('x')));
        keys(QStringLiteral("alt+r"));
        QVERIFY(!corvale.waitForActive(QStringLiteral("警告")).isEmpty());
        keys(QStringLiteral("Return"));
        QVERIFY(corvale.waitGone(QStringLiteral("警告")));
        QVERIFY(!corvale.waitForActive(kWorkspace).isEmpty());

        // The message came once; the focus is in the field with its text
        // selected, so what the clerk types now replaces it and saves.
        typeText(QStringLiteral("Zhao Liu"));
        keys(QStringLiteral("alt+r"));
        QVERIFY2(fileShows([&] { return nameOf(folder.path(), 3) == QStringLiteral("Zhao Liu"); }),
                 qPrintable(nameOf(folder.path(), 3)));
        QVERIFY(corvale.window(QStringLiteral("警告")).isEmpty());
    }

    // Desk B read job 3 before desk A saved it: B's save is refused with a
    // word, and A's name stays in the table.
    void twoDesksOnOneServer()
    {
        QTemporaryDir folderA, folderB;
        QVERIFY(createJobTable(folderA.path(), makeJobs(1, 5))); // points CORVALE_DATABASE at the server
        const QString server = qEnvironmentVariable("CORVALE_DATABASE");
        Program deskA(folderA.path()), deskB(folderB.path());
        QVERIFY(deskA.started() && deskB.started());
        // Both start at once; the clerk clicks the one to work in.
        QVERIFY(QTest::qWaitFor([&] { return !deskA.window(kWorkspace).isEmpty() && !deskB.window(kWorkspace).isEmpty(); },
                                kWindowWaitMs));
        const QString windowA = deskA.window(kWorkspace), windowB = deskB.window(kWorkspace);

        const auto findJob3 = [](const Program &desk) {
            keys(QStringLiteral("alt+n"));
            QVERIFY(!desk.waitForActive(QStringLiteral("编号")).isEmpty());
            typeText(QStringLiteral("3"));
            keys(QStringLiteral("Return"));
            QVERIFY(!desk.waitForActive(kWorkspace).isEmpty());
        };
        xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), windowB});
        QVERIFY(!deskB.waitForActive(kWorkspace).isEmpty());
        CHECKED(findJob3(deskB));

        xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), windowA});
        QVERIFY(!deskA.waitForActive(kWorkspace).isEmpty());
        CHECKED(findJob3(deskA));
        keys(QStringLiteral("ctrl+a"));
        typeText(QStringLiteral("Desk A"));
        keys(QStringLiteral("Prior"));
        QVERIFY(fileShows([&] { return serverName(server, 3) == QStringLiteral("Desk A"); }));

        xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), windowB});
        QVERIFY(!deskB.waitForActive(kWorkspace).isEmpty());
        keys(QStringLiteral("ctrl+a"));
        typeText(QStringLiteral("Desk B"));
        keys(QStringLiteral("Prior"));
        QVERIFY(!deskB.waitForActive(QStringLiteral("警告")).isEmpty());
        QCOMPARE(serverName(server, 3), QStringLiteral("Desk A"));
        keys(QStringLiteral("Return"));
        QVERIFY(deskB.waitGone(QStringLiteral("警告")));
    }

    // The desk's server stops answering in the middle of a move (its process
    // stopped; the network still takes the bytes). Keys typed while the
    // window waits never land in the job the move reaches; a wait the
    // desk's watch ends is the busy message, with the edit kept for the
    // next try.
    void serverThatStopsAnsweringLosesNoKeys()
    {
        QTemporaryDir folder;
        QVERIFY(createJobTable(folder.path(), makeJobs(1, 3))); // points CORVALE_DATABASE at the server
        const QString server = qEnvironmentVariable("CORVALE_DATABASE");
        const QString job2 = serverName(server, 2);
        HeldRelay relay(server);
        qputenv("CORVALE_DATABASE", relay.address().toUtf8());
        Program desk(folder.path());
        QVERIFY(desk.started());
        qputenv("CORVALE_DATABASE", server.toUtf8());
        QVERIFY(!desk.waitForActive(kWorkspace).isEmpty());

        // On job 3, with the caret in 客户姓名: leaving it saves it.
        keys(QStringLiteral("ctrl+a"));
        typeText(QStringLiteral("Held"));
        relay.hold();
        keys(QStringLiteral("Prior"));
        QVERIFY(QTest::qWaitFor([&] { return relay.somethingWaits(); }, kWindowWaitMs));
        typeText(QStringLiteral("lost"));
        // A wait long enough to be one the clerk notices.
        QTest::qWait(store::longWaitMs + store::longWaitMs / 2);
        relay.release();
        QVERIFY(fileShows([&] { return serverName(server, 3) == QStringLiteral("Held"); }));
        // On to job 1 past job 2 (saved on leaving if the keys had reached it).
        keys(QStringLiteral("Prior"));
        keys(QStringLiteral("ctrl+a"));
        typeText(QStringLiteral("After"));
        keys(QStringLiteral("Next"));
        QVERIFY(fileShows([&] { return serverName(server, 1) == QStringLiteral("After"); }));
        QCOMPARE(serverName(server, 2), job2);

        // Now on job 2; this time the server stays silent until the watch ends the wait.
        keys(QStringLiteral("ctrl+a"));
        typeText(QStringLiteral("Cut"));
        relay.hold();
        keys(QStringLiteral("Prior"));
        QVERIFY(!desk.waitForActive(QStringLiteral("警告")).isEmpty());
        relay.release();
        QCOMPARE(serverName(server, 2), job2);
        keys(QStringLiteral("Return"));
        QVERIFY(desk.waitGone(QStringLiteral("警告")));
        QVERIFY(!desk.waitForActive(kWorkspace).isEmpty());
        keys(QStringLiteral("Prior"));
        QVERIFY(fileShows([&] { return serverName(server, 2) == QStringLiteral("Cut"); }));
    }

    // Through the Qt print dialog onto the print system's default printer,
    // whose driver declares 12 pt margins: the form and the list land where
    // their PDFs put them; a queue that refuses the job says so.
    void printsWhereThePdfPutsIt()
    {
        const QString printer = QStringLiteral("corvale-margins");
        QVERIFY2(!qEnvironmentVariableIsEmpty("CORVALE_TEST_PRINTS"), "run through tests/print/with-cups.sh");
        QTemporaryDir folder;
        QList<QVariantMap> jobs;
        for (int n = 1; n <= 40; ++n)
            jobs << makeJob(n, {{QStringLiteral("入档"), QStringLiteral("是")}});
        QVERIFY(createJobTable(folder.path(), jobs));
        QVERIFY(fillParticulars(folder.path()));
        Program corvale(folder.path());
        QVERIFY(corvale.started());
        QVERIFY(!corvale.waitForActive(kWorkspace).isEmpty());

        // 打印 on the workspace, then the waybill from the panel's envelope frame.
        keys(QStringLiteral("alt+p"));
        const QString panel = corvale.waitForActive(QStringLiteral("报表打印"));
        QVERIFY(!panel.isEmpty());
        clickAt(panel, 7680 + 2010 + 300, 5190 + 1020 + 120);
        QVERIFY(!corvale.waitForActive(QStringLiteral("快件单")).isEmpty());
        int done = jobsDone(printer);
        QVERIFY(printFromPreview(corvale));
        QVERIFY(printerDone(printer, done));
        // The job the workspace stood on, by the customer's name on the sheet.
        const QVector<PdfWord> printedWaybill = pdfWords(printedFile(printer));
        QString job;
        for (const PdfWord &w : printedWaybill)
            for (int n = 1; n <= 40 && job.isEmpty(); ++n)
                if (w.text == makeJob(n).value(QStringLiteral("客户姓名")).toString())
                    job = QString::number(n);
        QVERIFY(!job.isEmpty());
        const QString waybill = rendered({folder.path(), QStringLiteral("快件单"), job,
                                          folder.filePath(QStringLiteral("快件单.pdf"))});
        QVERIFY(!waybill.isEmpty());
        QString differs = wordsDiffer(printedWaybill, pdfWords(waybill), 0.2);
        QVERIFY2(differs.isEmpty(), qPrintable(differs));

        // The list of jobs to call back, from the management frame.
        xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), panel});
        clickAt(panel, 3840 + 120 + 300, 5190 + 1920 + 120);
        QVERIFY(!corvale.waitForActive(QStringLiteral("用户回访记录表"), true).isEmpty());
        done = jobsDone(printer);
        QVERIFY(printFromPreview(corvale));
        QVERIFY(printerDone(printer, done));
        const QString list = rendered({folder.path(), QStringLiteral("--file"), QStringLiteral("报表\\新飞回访记录表.RPT"),
                                       QStringLiteral("--formula"), QStringLiteral("{客户信息.入档} StartsWith '是'"),
                                       folder.filePath(QStringLiteral("回访.pdf"))});
        QVERIFY(!list.isEmpty());
        differs = wordsDiffer(pdfWords(printedFile(printer)), pdfWords(list), 0.2);
        QVERIFY2(differs.isEmpty(), qPrintable(differs));

        // A queue that refuses jobs: the clerk is told, nothing is printed.
        QCOMPARE(cupsTool(QStringLiteral("cupsreject"), {printer}), QString());
        const QString before = cupsTool(QStringLiteral("lpstat"), {QStringLiteral("-W"), QStringLiteral("all"), QStringLiteral("-o"), printer});
        QVERIFY(printFromPreview(corvale));
        const bool told = !corvale.waitForActive(QStringLiteral("警告")).isEmpty();
        QCOMPARE(cupsTool(QStringLiteral("cupsaccept"), {printer}), QString());
        QVERIFY(told);
        keys(QStringLiteral("Return"));
        QVERIFY(corvale.waitGone(QStringLiteral("警告")));
        QCOMPARE(cupsTool(QStringLiteral("lpstat"), {QStringLiteral("-W"), QStringLiteral("all"), QStringLiteral("-o"), printer}), before);
    }

    // A changed job put back from the start's snapshot through the menu, the
    // change itself kept in the snapshot taken just before.
    void restoreThroughTheMenu()
    {
        QTemporaryDir folder;
        QVERIFY(createJobTable(folder.path(), makeJobs(1, 3)));
        const QString original = nameOf(folder.path(), 3);
        Program corvale(folder.path());
        QVERIFY(corvale.started());
        QVERIFY(!corvale.waitForActive(kWorkspace).isEmpty());
        // The workspace opens on the last job with the caret in 客户姓名.
        keys(QStringLiteral("ctrl+a"));
        typeText(QStringLiteral("Changed Name"));
        keys(QStringLiteral("alt+r"));
        QVERIFY(fileShows([&] { return nameOf(folder.path(), 3) == QStringLiteral("Changed Name"); }));

        // 数据修改, one menu to the right, its last item.
        keys(QStringLiteral("alt+m"));
        keys(QStringLiteral("Right"));
        keys(QStringLiteral("Up")); // from the first item round to the last
        keys(QStringLiteral("Return"));
        QVERIFY(!corvale.waitForActive(QStringLiteral("从备份恢复")).isEmpty());
        // The start's snapshot is the only one, and chosen.
        keys(QStringLiteral("alt+r"));
        QVERIFY(!corvale.waitForActive(QStringLiteral("提示")).isEmpty());
        keys(QStringLiteral("alt+y"));
        QVERIFY(corvale.waitGone(QStringLiteral("从备份恢复")));
        QVERIFY(fileShows([&] { return nameOf(folder.path(), 3) == original; }));
        QVERIFY(!corvale.waitForActive(QStringLiteral("提示")).isEmpty());
        keys(QStringLiteral("Return"));
        QVERIFY(!corvale.waitForActive(kWorkspace).isEmpty());

        QStringList kept;
        const QDir backups(QDir(folder.path()).filePath(QStringLiteral("备份")));
        for (const QString &name : backups.entryList({QStringLiteral("*.db")}, QDir::Files))
            kept << columnOf(backups.filePath(name), QStringLiteral("select 客户姓名 from 客户信息 where 编号=3"))
                        .value(0).toString();
        QVERIFY2(kept.contains(QStringLiteral("Changed Name")) && kept.contains(original), qPrintable(kept.join(u'|')));
        QCOMPARE(column(folder.path(), QStringLiteral("select count(*) from 客户信息")), QVariantList{3});

        // The restored table is the one the workspace now edits.
        keys(QStringLiteral("ctrl+a"));
        typeText(QStringLiteral("After Restore"));
        keys(QStringLiteral("alt+r"));
        QVERIFY(fileShows([&] { return nameOf(folder.path(), 3) == QStringLiteral("After Restore"); }));
    }

    // 经营统计 by keyboard alone on the program's own clock: the overdue tile
    // lists exactly the jobs to phone through, the clerk notes the call on
    // each, 刷新 gives the table back, and the workbook saved from the window
    // holds the same counts.
    void statisticsByKeyboard()
    {
        QTemporaryDir folder;
        const QDate today = QDate::currentDate();
        const auto job = [&](int n, int daysAgo, bool repaired, const QVariant &shipped = {}) {
            return makeJob(n, {{QStringLiteral("接货日期"), today.addDays(-daysAgo).toString(Qt::ISODate)},
                               {QStringLiteral("已修否"), repaired ? -1 : 0},
                               {QStringLiteral("发货日期"), shipped}});
        };
        const QList<QVariantMap> jobs = {job(1, 30, false), job(2, 2, false), job(3, 20, true), job(4, 40, false),
                                         job(5, 10, true, today.addDays(-5).toString(Qt::ISODate))};
        QVERIFY(createJobTable(folder.path(), jobs));
        // Counted here: open, open for more than the default 7 days, received last month.
        const QDate lastMonth = today.addMonths(-1).addDays(1 - today.day());
        int open = 0, overdue = 0, receivedLastMonth = 0;
        QStringList names;
        for (const QVariantMap &j : jobs) {
            const bool isOpen = j.value(QStringLiteral("已修否")).toInt() == 0;
            open += isOpen;
            overdue += isOpen && QDate::fromString(j.value(QStringLiteral("接货日期")).toString(), Qt::ISODate) < today.addDays(-7);
            const QDate received = QDate::fromString(j.value(QStringLiteral("接货日期")).toString(), Qt::ISODate);
            receivedLastMonth += received >= lastMonth && received < lastMonth.addMonths(1);
            names << j.value(QStringLiteral("客户姓名")).toString();
        }
        QCOMPARE(overdue, 2);

        Program corvale(folder.path());
        QVERIFY(corvale.started());
        QVERIFY(!corvale.waitForActive(kWorkspace).isEmpty());
        keys(QStringLiteral("alt+t"));
        keys(QStringLiteral("Return"));
        QVERIFY(!corvale.waitForActive(QStringLiteral("经营统计")).isEmpty());
        // 上月, the second period of the box.
        keys(QStringLiteral("alt+q"));
        keys(QStringLiteral("Down"));

        // Alt+2 is 超期未修: the workspace comes to the front on the last of its jobs.
        keys(QStringLiteral("alt+2"));
        QVERIFY(!corvale.waitForActive(kWorkspace).isEmpty());
        keys(QStringLiteral("ctrl+a"));
        typeText(QStringLiteral("Called B"));
        keys(QStringLiteral("Prior"));
        keys(QStringLiteral("ctrl+a"));
        typeText(QStringLiteral("Called A"));
        keys(QStringLiteral("alt+r"));
        QVERIFY2(fileShows([&] { return nameOf(folder.path(), 1) == QStringLiteral("Called A"); }),
                 qPrintable(nameOf(folder.path(), 1)));
        QCOMPARE(nameOf(folder.path(), 4), QStringLiteral("Called B"));
        for (int n : {2, 3, 5})
            QCOMPARE(nameOf(folder.path(), n), names.at(n - 1));

        // Back to the window (one at a time), its figures saved as a workbook.
        keys(QStringLiteral("alt+t"));
        keys(QStringLiteral("Return"));
        QVERIFY(!corvale.waitForActive(QStringLiteral("经营统计")).isEmpty());
        keys(QStringLiteral("alt+e"));
        QVERIFY(!corvale.waitForActive(QStringLiteral("另存为 Excel")).isEmpty());
        const QString book = QDir(folder.path()).filePath(QStringLiteral("figures.xlsx"));
        keys(QStringLiteral("ctrl+a"));
        typeText(book);
        keys(QStringLiteral("Return"));
        QVERIFY(corvale.waitGone(QStringLiteral("另存为 Excel")));
        QVERIFY(fileShows([&] { return QFileInfo(book).size() > 0; }));
        READ_SHEET_BACK(sheet, book);
        QMap<QString, double> figures;
        for (const QJsonValue &row : sheet.value(QStringLiteral("rows")).toArray()) {
            const QJsonArray cells = row.toArray();
            if (cells.size() >= 2)
                figures.insert(cells.at(0)[QStringLiteral("text")].toString(), cells.at(1)[QStringLiteral("number")].toDouble(-1));
        }
        QCOMPARE(figures.value(QStringLiteral("在修"), -1), double(open));
        QCOMPARE(figures.value(QStringLiteral("超期未修"), -1), double(overdue));
        QCOMPARE(figures.value(QStringLiteral("接修"), -1), double(receivedLastMonth));

        keys(QStringLiteral("Escape"));
        QVERIFY(corvale.waitGone(QStringLiteral("经营统计")));
        QVERIFY(!corvale.waitForActive(kWorkspace).isEmpty());
    }

    void secondCopyIsRefused()
    {
        QTemporaryDir folder;
        QVERIFY(createJobTable(folder.path(), makeJobs(1, 2)));
        Program first(folder.path());
        QVERIFY(first.started());
        QVERIFY(!first.waitForActive(kWorkspace).isEmpty());

        Program second(folder.path());
        QVERIFY(second.started());
        // The second copy's only window is its refusal, under the program's title.
        QVERIFY(!second.waitForActive(kWorkspace).isEmpty());
        keys(QStringLiteral("Return"));
        int exitCode = -1;
        QVERIFY(second.waitForEnd(&exitCode));
        QCOMPARE(exitCode, 0);
        QVERIFY(first.running());
        QVERIFY(!first.window(kWorkspace).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDesktop)
#include "tst_desktop.moc"
