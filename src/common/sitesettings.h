#pragma once
// The shop's own values: staff, the service point's particulars, help
// addresses, stationery placement, backups. One INI file beside the database.
#include "common/initext.h"
#include "common/result.h"

#include <QMap>
#include <QPageLayout>
#include <QPageSize>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <variant>

namespace common {

inline QString settingsFileName() { return QStringLiteral("corvale.ini"); }

// Pages of the settings dialog that others may ask to open.
// The pages of 基础资料设置, by what they hold; where each stands in the
// dialog is the dialog's own affair.
enum class SettingsPage { ServicePoint, Models, RepairTypes, Parts, MessageSources, Stationery, Database };

struct ServicePoint {
    QString provinceCity;  // e.g. 某省某市
    QString name;          // the service point's name
    QString address;       // street address
    QString postcode;
    QString phone;
    QString fax;
    QString web;           // web address line
    QString contact;       // contact person
    QString stationCode;   // five-digit station code of the 新飞 forms

    bool operator==(const ServicePoint &) const = default;
};

// Where a report's band lands on the sheet. Paper and orientation are the
// report's own unless the shop set them.
struct Stationery {
    double offsetXmm = 0.0;
    double offsetYmm = 0.0;
    std::optional<QPageSize::PageSizeId> paper;
    std::optional<QPageLayout::Orientation> orientation;

    bool operator==(const Stationery &) const = default;
};

struct SiteSettings;

// What reading the file gave: the settings, and what the clerk should hear
// of it once (values that fell back to their default, a file read as GBK).
struct LoadedSettings;

// Whether a save may replace a file that is no settings text (binary, or
// far too large); its original is kept as corvale.ini.bak either way.
enum class ReplaceNonText { No, Yes };

struct SiteSettings {
    QStringList repairers;    // cboPeople, 7 by default
    QStringList broughtIn;    // cboSendIn, 9 by default
    QStringList takenBack;    // cboSendOut, 8 by default
    QStringList models;       // cboType
    QStringList repairTypes;  // cboRepairType
    QStringList parts;        // Combo13
    QStringList messageSources; // cboMessage
    ServicePoint servicePoint;
    QString manualUrl;
    QString companyUrl;
    QMap<QString, Stationery> stationery; // by report name, e.g. "修理凭单"
    int backupCount = 30;
    // A second folder each start's snapshot is also copied to; empty: none.
    QString backupCopyFolder;
    // A shop server's address (postgresql://...); empty: the file in the folder.
    QString databaseServer;
    // 经营统计 counts a job not repaired after this many days since 接货 as overdue.
    int overdueDays = 7;

    static SiteSettings defaults();
    // Reads path; a missing file gives the defaults, a malformed value its
    // default with a note. Fails (settingsCode) when the file cannot be used
    // at all: unreadable, binary or over a megabyte; the defaults apply then.
    static Result<LoadedSettings> load(const QString &path);
    // The settings as far as path gives them, without a word of what it did not.
    static SiteSettings loadQuietly(const QString &path);
    // Writes the values it owns into the file at path, as UTF-8; every other
    // line a shop added by hand (comments, sections and keys it does not
    // know) is kept where it was. A file in another encoding is first kept
    // as corvale.ini.bak beside it. A file that is no text is replaced only
    // when `replace` says so; otherwise settingsCode::NotText.
    Result<void> save(const QString &path, ReplaceNonText replace = ReplaceNonText::No) const;

    Stationery stationeryFor(const QString &report) const { return stationery.value(report); }

    bool operator==(const SiteSettings &) const = default;
};

struct LoadedSettings {
    SiteSettings settings;
    QStringList notes;
};

// corvale.ini.bak beside path.
QString settingsBackupPath(const QString &path);

// Every value corvale.ini holds, by name. The report entries are
// parameterised: one entry stands for its key in the section of any report.
enum class SettingId {
    Repairers, BroughtIn, TakenBack,
    Models, RepairTypes, Parts, MessageSources,
    ProvinceCity, Name, Address, Postcode, Phone, Fax, Web, Contact, StationCode,
    ManualUrl, CompanyUrl,
    BackupCount, BackupCopyFolder,
    DatabaseServer,
    OverdueDays,
    OffsetX, OffsetY, Paper, Orientation,
};

// The file's sections; Report is "[report 修理凭单]" and the like, one per report.
enum class SettingGroup { Staff, Lists, ServicePoint, Help, Backup, Database, Statistics, Report };

// One of the shop's settings as the file, the settings dialog, the reports
// and the start-up check know it.
struct Setting {
    enum class Kind { List, Text, WholeNumber, Millimetres, Paper, Orientation };
    using Member = std::variant<QStringList SiteSettings::*, QString SiteSettings::*, QString ServicePoint::*,
                                int SiteSettings::*, double Stationery::*,
                                std::optional<QPageSize::PageSizeId> Stationery::*,
                                std::optional<QPageLayout::Orientation> Stationery::*>;

    SettingId id;
    SettingGroup group;
    QString key;
    QString label;          // what the dialog and the messages call it
    Member member;
    QVariant fallback;      // a new shop's value; none for a report's own paper
    // For a particular: the roles of the data-report layouts whose text holds
    // it ("name" prints it alone, "nameWithCity" with the province and city).
    QStringList printedIn;
    bool lineWhenEmpty = true; // false: an empty value has no line in the file
    int low = 0, high = 0;     // the range of a number

    Kind kind() const;
    bool isParticular() const { return std::holds_alternative<QString ServicePoint::*>(member); }
    bool isPerReport() const { return group == SettingGroup::Report; }
    // The section it stands in; report names the report of a per-report entry.
    QString section(const QString &report = {}) const;
    QVariant valueIn(const SiteSettings &s, const QString &report = {}) const;
    // Setting a per-report entry gives the report a placement of its own.
    void setIn(SiteSettings &s, const QVariant &value, const QString &report = {}) const;
    // What a line's text stands for; none when it is malformed or out of range.
    std::optional<QVariant> parsed(const QString &text) const;
    // The line's text for the value in s; none: no line.
    std::optional<QString> fileText(const SiteSettings &s, const QString &report = {}) const;
};

const QList<Setting> &settingTable();
const Setting &setting(SettingId id);
// The settings of one section, in the table's order.
QList<const Setting *> settingsOf(SettingGroup group);

// The labels of the particulars that roles print and that still read as a
// new shop's placeholders, e.g. "维修站名称" while it is "（维修站名称）".
QStringList placeholdersIn(const ServicePoint &servicePoint, const QStringList &roles);
// The particulars as paper shows them: one still reading as a new shop's
// placeholder is empty, so "（网址）" never reaches a form.
ServicePoint withoutPlaceholders(const ServicePoint &servicePoint);

} // namespace common
