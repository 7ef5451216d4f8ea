// The site settings file: every value survives a save and a load, a missing
// file gives the built-in values, a malformed value its default and a note,
// and a file from the old PC (GBK, binary, huge) is kept, never destroyed.
#include "common/sitesettings.h"
#include "support/checked.h"
#include "support/datafolder.h"
#include "support/coretestapp.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QRegularExpression>
#include <QTest>

#include <sys/stat.h>

using common::SiteSettings;
using common::Stationery;

namespace {

void writeText(const QString &path, const QByteArray &utf8)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(utf8);
}

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The settings the file gives, with the notes it raised.
SiteSettings loadOk(const QString &path, QStringList *notes = nullptr)
{
    const common::Result<common::LoadedSettings> loaded = SiteSettings::load(path);
    if (loaded.failed()) {
        qWarning() << loaded.error().text;
        return {};
    }
    if (notes)
        *notes = loaded->notes;
    return loaded->settings;
}

SiteSettings everythingChanged()
{
    SiteSettings s = SiteSettings::defaults();
    s.repairers = {QStringLiteral("老孙"), QStringLiteral("孙, 小二"), QStringLiteral("\"阿强\""),
                   QStringLiteral(" 前后有空格 ")};
    s.broughtIn = {QStringLiteral("用户自送")};
    s.takenBack = {};
    s.models = {QStringLiteral("新飞"), QStringLiteral("海尔")};
    s.repairTypes = {QStringLiteral("小修")};
    s.parts = {QStringLiteral("压缩机"), QStringLiteral("门封")};
    s.messageSources = {QStringLiteral("电话")};
    s.servicePoint = {QStringLiteral("河南省新乡市"), QStringLiteral("城东家电维修部"),
                      QStringLiteral("人民路 1 号\n二楼"), QStringLiteral("453000"),
                      QStringLiteral("0373-1234567"), QStringLiteral("0373-7654321"),
                      QStringLiteral("www.example.cn"), QStringLiteral("孙师傅"), QStringLiteral("12345")};
    s.manualUrl = QStringLiteral("https://example.cn/手册?a=1;b=2");
    s.companyUrl = QStringLiteral("https://example.cn/");
    s.backupCount = 7;
    s.databaseServer = QStringLiteral("postgresql://维修:密码@192.168.1.5:5432/corvale");
    Stationery form;
    form.offsetXmm = -2.5;
    form.offsetYmm = 3.25;
    form.paper = QPageSize::A5;
    form.orientation = QPageLayout::Landscape;
    s.stationery.insert(QStringLiteral("修理凭单"), form);
    Stationery envelope;
    envelope.offsetYmm = 1;
    envelope.paper = QPageSize::EnvelopeDL;
    s.stationery.insert(QStringLiteral("信封"), envelope);
    return s;
}

} // namespace

class TestSiteSettings : public QObject {
    Q_OBJECT
private slots:
    void everySettingSurvivesSaveAndLoad();
    void missingFileGivesTheBuiltInValues();
    void malformedValueFallsBackWithAWarning_data();
    void malformedValueFallsBackWithAWarning();
    void handEditedFileReads();
    void saveKeepsWhatTheShopAddedByHand();
    void saveReportsFailure();
    void aSavedPasswordIsForTheOwnerOnly();
    void gbkFileFromTheOldPcIsReadAndKept();
    void fileThatIsNoTextIsLeftAlone_data();
    void fileThatIsNoTextIsLeftAlone();
    void whatIsNoFileIsNeitherReadNorWritten_data();
    void whatIsNoFileIsNeitherReadNorWritten();
    void placeholdersOnlyOfWhatAReportPrints();
    void aReportsEntriesKeepTheTablesRange();
};

void TestSiteSettings::everySettingSurvivesSaveAndLoad()
{
    DataFolder folder;
    const QString path = folder.file(common::settingsFileName());
    const SiteSettings saved = everythingChanged();
    QVERIFY(saved.save(path).ok());
    QStringList warnings;
    const SiteSettings loaded = loadOk(path, &warnings);
    QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join('\n')));
    QCOMPARE(loaded.repairers, saved.repairers);
    QCOMPARE(loaded.takenBack, QStringList());
    QCOMPARE(loaded.servicePoint.address, saved.servicePoint.address);
    QCOMPARE(loaded.manualUrl, saved.manualUrl);
    QCOMPARE(loaded.backupCount, 7);
    QCOMPARE(loaded.stationeryFor(QStringLiteral("修理凭单")).paper, std::optional(QPageSize::A5));
    QCOMPARE(loaded.stationeryFor(QStringLiteral("信封")).orientation, std::nullopt);
    QVERIFY(loaded == saved);

    // Human-readable: the names stand in the file as they are.
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    QVERIFY(text.contains(QStringLiteral("[report 修理凭单]")));
    QVERIFY(text.contains(QStringLiteral("name = 城东家电维修部")));
}

void TestSiteSettings::missingFileGivesTheBuiltInValues()
{
    DataFolder folder;
    QStringList warnings;
    const SiteSettings s = loadOk(folder.file(common::settingsFileName()), &warnings);
    QVERIFY(warnings.isEmpty());
    QVERIFY(s == SiteSettings::defaults());
    QCOMPARE(s.repairers.size(), 7);
    QCOMPARE(s.broughtIn.size(), 9);
    QCOMPARE(s.takenBack.size(), 8);
    QCOMPARE(s.backupCount, 30);
    QVERIFY(s.stationery.isEmpty());

    // An empty file, or one with only some sections, keeps the rest built in.
    CHECKED(writeText(folder.file(QStringLiteral("part.ini")), "[backup]\ncount = 12\n"));
    const SiteSettings part = loadOk(folder.file(QStringLiteral("part.ini")), &warnings);
    QCOMPARE(part.backupCount, 12);
    QCOMPARE(part.repairers, SiteSettings::defaults().repairers);
    QVERIFY(warnings.isEmpty());
}

void TestSiteSettings::malformedValueFallsBackWithAWarning_data()
{
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("count not a number") << QByteArray("[backup]") << QByteArray("count = abc");
    QTest::newRow("count zero") << QByteArray("[backup]") << QByteArray("count = 0");
    QTest::newRow("count negative") << QByteArray("[backup]") << QByteArray("count = -3");
    QTest::newRow("count huge") << QByteArray("[backup]") << QByteArray("count = 99999999999");
    QTest::newRow("offset with a decimal comma") << QByteArray("[report 修理凭单]") << QByteArray("offsetX = 1,5");
    QTest::newRow("offset words") << QByteArray("[report 修理凭单]") << QByteArray("offsetY = 向下两毫米");
    QTest::newRow("offset not finite") << QByteArray("[report 修理凭单]") << QByteArray("offsetY = nan");
    QTest::newRow("offset off the sheet") << QByteArray("[report 修理凭单]") << QByteArray("offsetX = 1e9");
    QTest::newRow("paper that does not exist") << QByteArray("[report 修理凭单]") << QByteArray("paper = A13");
    QTest::newRow("orientation") << QByteArray("[report 修理凭单]") << QByteArray("orientation = sideways");
    QTest::newRow("line without a value") << QByteArray("[staff]") << QByteArray("this is not a setting");
}

void TestSiteSettings::malformedValueFallsBackWithAWarning()
{
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, line);
    DataFolder folder;
    const QString path = folder.file(common::settingsFileName());
    // A good value beside the bad one still counts.
    CHECKED(writeText(path, "[servicePoint]\nname = 好站\n" + section + "\n" + line + "\n"));
    QStringList warnings;
    const SiteSettings s = loadOk(path, &warnings);
    QCOMPARE(warnings.size(), 1);
    // It quotes what was wrong, so the shop finds the line.
    const QString bad = QString::fromUtf8(line).section(u'=', -1).trimmed();
    QVERIFY2(warnings.first().contains(bad), qPrintable(warnings.first()));
    QCOMPARE(s.servicePoint.name, QStringLiteral("好站"));
    QCOMPARE(s.backupCount, 30);
    const Stationery st = s.stationeryFor(QStringLiteral("修理凭单"));
    QCOMPARE(st.offsetXmm, 0.0);
    QCOMPARE(st.offsetYmm, 0.0);
    QCOMPARE(st.paper, std::nullopt);
    QCOMPARE(st.orientation, std::nullopt);
    QCOMPARE(s.repairers, SiteSettings::defaults().repairers);
}

void TestSiteSettings::handEditedFileReads()
{
    DataFolder folder;
    const QString path = folder.file(common::settingsFileName());
    CHECKED(writeText(path, "\xEF\xBB\xBF; edited by hand\r\n"
                    "[staff]\r\n"
                    "repairers = 甲，乙、 丙 ,丁\r\n"
                    "[report 保修单]\r\n"
                    "offsetX = -1.5\r\n"
                    "paper = letter\r\n"
                    "orientation = 横向\r\n"));
    QStringList warnings;
    const SiteSettings s = loadOk(path, &warnings);
    QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join('\n')));
    QCOMPARE(s.repairers, QStringList({"甲", "乙", "丙", "丁"}));
    const Stationery st = s.stationeryFor(QStringLiteral("保修单"));
    QCOMPARE(st.offsetXmm, -1.5);
    QCOMPARE(st.paper, std::optional(QPageSize::Letter));
    QCOMPARE(st.orientation, std::optional(QPageLayout::Landscape));
}

void TestSiteSettings::saveKeepsWhatTheShopAddedByHand()
{
    DataFolder folder;
    const QString path = folder.file(common::settingsFileName());
    CHECKED(writeText(path, "; 本店的设置，2026 年 3 月改过\r\n"
                    "[servicePoint]\r\n"
                    "; 名称照营业执照写\r\n"
                    "name = 旧名称\r\n"
                    "fax = 无\r\n"
                    "# 老板的备注\r\n"
                    "printerQueue = 前台\r\n"
                    "\r\n"
                    "[扫描仪]\r\n"
                    "device = /dev/scanner0\r\n"
                    "\r\n"
                    "[report 小信封]\r\n"
                    "offsetX = 4\r\n"
                    "paper = B5\r\n"
                    "\r\n"
                    "[servicePoint]\r\n"
                    "name = 又一个名称\r\n"));
    SiteSettings s = loadOk(path);
    s.servicePoint.name = QStringLiteral("城东家电维修部");
    s.stationery[QStringLiteral("小信封")].paper.reset();
    s.stationery[QStringLiteral("小信封")].offsetXmm = 2.5;
    s.stationery.insert(QStringLiteral("修理凭单"), Stationery{1, -1.5, {}, {}});
    QVERIFY(s.save(path).ok());
    // A UTF-8 file is merged line by line; nothing needs keeping aside.
    QVERIFY(!QFile::exists(common::settingsBackupPath(path)));

    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n');
    // The hand-written lines in their order, the owned values in their places.
    const QStringList kept = {"; 本店的设置，2026 年 3 月改过", "[servicePoint]", "; 名称照营业执照写",
                              "name = 城东家电维修部", "fax = 无", "# 老板的备注", "printerQueue = 前台"};
    QCOMPARE(lines.mid(0, kept.size()), kept);
    for (const char *line : {"[扫描仪]", "device = /dev/scanner0", "offsetX = 2.5"})
        QVERIFY2(lines.contains(QString::fromUtf8(line)), line);
    QVERIFY(lines.indexOf("[扫描仪]") < lines.indexOf("[report 小信封]"));
    QVERIFY(!lines.contains("paper = B5"));
    // A repeated key would win on reading: only the one written stays.
    QCOMPARE(lines.filter(QStringLiteral("name =")).size(), 1);
    QVERIFY(lines.indexOf("offsetX = 1") > lines.indexOf("[report 修理凭单]"));
    QVERIFY(lines.contains("repairers = " + s.repairers.join(", ")));
    QVERIFY(loadOk(path) == s);
}

void TestSiteSettings::saveReportsFailure()
{
    DataFolder folder;
    const auto saved = SiteSettings::defaults().save(folder.file(QStringLiteral("no/such/folder/corvale.ini")));
    QCOMPARE(saved.error().code, common::settingsCode::NotSaved);
    // The clerk reads Chinese; the system's English words go to the detail.
    static const QRegularExpression englishWord(QStringLiteral("[A-Za-z]{3,}"));
    QVERIFY2(!QString(saved.error().text).remove(QStringLiteral("corvale.ini")).contains(englishWord),
             qPrintable(saved.error().text));
    QVERIFY(!saved.error().detail.isEmpty());
}

void TestSiteSettings::gbkFileFromTheOldPcIsReadAndKept()
{
    DataFolder folder;
    const QString path = folder.file(common::settingsFileName());
    const QString text = QStringLiteral("; 老电脑上的设置\r\n[servicePoint]\r\nname = 江北家电维修站\r\n"
                                        "[staff]\r\nrepairers = 赵师傅，钱师傅\r\n");
    QStringEncoder gbk("GB18030");
    const QByteArray original = gbk.encode(text);
    QVERIFY(!gbk.hasError());
    CHECKED(writeText(path, original));

    QStringList notes;
    SiteSettings s = loadOk(path, &notes);
    QCOMPARE(s.servicePoint.name, QStringLiteral("江北家电维修站"));
    QCOMPARE(s.repairers, QStringList({"赵师傅", "钱师傅"}));
    QCOMPARE(notes.size(), 1); // said once, that it was read as GBK
    QVERIFY2(notes.first().contains(QStringLiteral("GBK")), qPrintable(notes.first()));

    s.servicePoint.contact = QStringLiteral("钱师傅");
    QVERIFY(s.save(path).ok());
    QCOMPARE(contents(common::settingsBackupPath(path)), original);
    const QString saved = QString::fromUtf8(contents(path));
    QVERIFY(saved.contains(QStringLiteral("; 老电脑上的设置")));
    QVERIFY(saved.contains(QStringLiteral("name = 江北家电维修站")));
    QVERIFY(!saved.contains(QChar(0xFFFD)));
    QVERIFY(loadOk(path, &notes) == s);
    QVERIFY(notes.isEmpty());
    // The next save of the now UTF-8 file leaves the original where it was kept.
    QVERIFY(s.save(path).ok());
    QCOMPARE(contents(common::settingsBackupPath(path)), original);
}

void TestSiteSettings::fileThatIsNoTextIsLeftAlone_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QByteArray binary;
    for (int i = 0; i < 4096; ++i)
        binary += char((i * 37 + 11) % 256);
    QTest::newRow("binary") << binary;
    QTest::newRow("text with a NUL") << QByteArray("[backup]\ncount = 5\n\0\0", 22);
    // Ten megabytes of what reads as settings lines: no settings file is that big.
    QTest::newRow("ten megabytes") << QByteArray("[staff]\nrepairers = 甲\n").repeated(400000);
}

void TestSiteSettings::fileThatIsNoTextIsLeftAlone()
{
    QFETCH(QByteArray, bytes);
    DataFolder folder;
    const QString path = folder.file(common::settingsFileName());
    CHECKED(writeText(path, bytes));

    const auto loaded = SiteSettings::load(path);
    QCOMPARE(loaded.error().code, common::settingsCode::NotText);
    QVERIFY2(loaded.error().text.contains(common::settingsFileName()), qPrintable(loaded.error().text));
    QVERIFY(loaded.error().text.size() < 200);

    // Saving asks first: without leave the file stays as it was.
    SiteSettings s = SiteSettings::defaults();
    s.servicePoint.name = QStringLiteral("新站");
    QCOMPARE(s.save(path).error().code, common::settingsCode::NotText);
    QCOMPARE(contents(path), bytes);
    QVERIFY(!QFile::exists(common::settingsBackupPath(path)));
    // With it, the original is kept beside the new file.
    QVERIFY(s.save(path, common::ReplaceNonText::Yes).ok());
    QCOMPARE(contents(common::settingsBackupPath(path)), bytes);
    QVERIFY(loadOk(path) == s);
}

void TestSiteSettings::whatIsNoFileIsNeitherReadNorWritten_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("said");
    QTest::newRow("pipe") << "fifo" << QStringLiteral("管道");
    QTest::newRow("folder") << "folder" << QStringLiteral("文件夹");
    QTest::newRow("link to a pipe") << "link to fifo" << QStringLiteral("管道");
    QTest::newRow("link out of the folder") << "link out" << QStringLiteral("数据文件夹以外");
    QTest::newRow("link out to nothing") << "link out to nothing" << QStringLiteral("数据文件夹以外");
}

// A corvale.ini that is a pipe, a folder or a link out of the data folder is
// refused at once, naming it, and saving never writes through it.
void TestSiteSettings::whatIsNoFileIsNeitherReadNorWritten()
{
    QFETCH(QString, kind);
    QFETCH(QString, said);
    DataFolder folder;
    QTemporaryDir elsewhere;
    const QString path = folder.file(common::settingsFileName());
    const QString outside = elsewhere.filePath(QStringLiteral("passwd"));
    CHECKED(writeText(outside, "root:x:0:0:root:/root:/bin/bash\n"));
    const QString fifo = (kind == u"fifo" ? path : folder.file(QStringLiteral("pipe")));
    if (kind.contains(u"fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    if (kind == u"folder")
        QVERIFY(QDir().mkdir(path));
    if (kind == u"link to fifo")
        QVERIFY(QFile::link(fifo, path));
    if (kind == u"link out")
        QVERIFY(QFile::link(outside, path));
    const QString nothing = elsewhere.filePath(QStringLiteral("none"));
    if (kind == u"link out to nothing")
        QVERIFY(QFile::link(nothing, path));

    const auto loaded = SiteSettings::load(path);
    QVERIFY(loaded.failed());
    QCOMPARE(loaded.error().code, common::settingsCode::Unreadable);
    QVERIFY2(loaded.error().text.contains(common::settingsFileName()) && loaded.error().text.contains(said),
             qPrintable(loaded.error().text));
    SiteSettings s = SiteSettings::defaults();
    s.servicePoint.name = QStringLiteral("新站");
    QVERIFY(s.save(path).failed());
    QVERIFY(s.save(path, common::ReplaceNonText::Yes).failed());
    QCOMPARE(contents(outside), QByteArray("root:x:0:0:root:/root:/bin/bash\n"));
    QVERIFY(!QFile::exists(nothing));
    QVERIFY(!QFile::exists(common::settingsBackupPath(path)));
}

void TestSiteSettings::placeholdersOnlyOfWhatAReportPrints()
{
    common::ServicePoint sp = SiteSettings::defaults().servicePoint;
    sp.name = QStringLiteral("城东家电维修部");
    // An envelope printing the name with the city and the postcode.
    QCOMPARE(common::placeholdersIn(sp, {"nameWithCity", "postcode"}), QStringList({"省市", "邮编"}));
    QCOMPARE(common::placeholdersIn(sp, {"name"}), QStringList());
    QCOMPARE(common::placeholdersIn(sp, {"contactLine"}), QStringList({"地址", "电话", "传真", "网址"}));
    QCOMPARE(common::placeholdersIn(sp, {}), QStringList());
}

void TestSiteSettings::aSavedPasswordIsForTheOwnerOnly()
{
    DataFolder folder;
    const QString path = folder.file(QStringLiteral("corvale.ini"));
    SiteSettings s = SiteSettings::defaults();
    // A raw '@' in the password is a password all the same.
    s.databaseServer = QStringLiteral("postgresql://corvale:ab@1@10.0.0.5/corvale");
    QVERIFY(s.save(path).ok());
    QCOMPARE(QFileInfo(path).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteOther),
             QFileDevice::Permissions());
}

// A report's placement is held, written and read by the same entries as
// every other value: the farthest the table allows comes back as it went,
// a hair beyond it is refused like a backup count of 0.
void TestSiteSettings::aReportsEntriesKeepTheTablesRange()
{
    using common::SettingId;
    DataFolder folder;
    const QString path = folder.file(common::settingsFileName());
    const common::Setting &right = common::setting(SettingId::OffsetX);
    const common::Setting &down = common::setting(SettingId::OffsetY);
    SiteSettings s = SiteSettings::defaults();
    right.setIn(s, double(right.high), QStringLiteral("信封"));
    down.setIn(s, double(down.low), QStringLiteral("信封"));
    common::setting(SettingId::Orientation).setIn(s, QVariant::fromValue(QPageLayout::Portrait), QStringLiteral("信封"));
    QCOMPARE(s.stationeryFor(QStringLiteral("信封")),
             (Stationery{double(right.high), double(down.low), std::nullopt, QPageLayout::Portrait}));
    QVERIFY(s.save(path).ok());
    QStringList notes;
    QVERIFY(loadOk(path, &notes) == s);
    QVERIFY2(notes.isEmpty(), qPrintable(notes.join('\n')));

    writeText(path, "[report 信封]\noffsetX = " + QByteArray::number(right.high + 0.01) + "\n[backup]\ncount = 0\n");
    const SiteSettings beyond = loadOk(path, &notes);
    QCOMPARE(notes.size(), 2);
    QCOMPARE(beyond.stationeryFor(QStringLiteral("信封")).offsetXmm, right.fallback.toDouble());
    QCOMPARE(beyond.backupCount, common::setting(SettingId::BackupCount).fallback.toInt());
}

CORVALE_CORE_TEST_MAIN(TestSiteSettings)
#include "tst_sitesettings.moc"
