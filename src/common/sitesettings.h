#pragma once
// The shop's own values: staff, the service point's particulars, help
// addresses, stationery placement, backups. One INI file beside the database.
#include <QMap>
#include <QPageLayout>
#include <QPageSize>
#include <QString>
#include <QStringList>
#include <optional>

namespace common {

inline QString settingsFileName() { return QStringLiteral("corvale.ini"); }

// Pages of the settings dialog that others may ask to open.
namespace settingsPage {
constexpr int ServicePoint = 0; // with the staff lists
constexpr int Stationery = 5;
constexpr int Database = 6;
} // namespace settingsPage

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

    // The captions of the particulars still reading as the built-in
    // placeholders, e.g. "（维修站名称）"; empty when the shop filled them in.
    QStringList placeholders() const;
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

    static SiteSettings defaults();
    // Reads path; a missing file gives the defaults, a malformed value its
    // default with a line in warnings.
    static SiteSettings load(const QString &path, QStringList *warnings = nullptr);
    // Writes the values it owns into the file at path; every other line a
    // shop added by hand (comments, sections and keys it does not know) is
    // kept where it was.
    bool save(const QString &path) const;

    Stationery stationeryFor(const QString &report) const { return stationery.value(report); }

    bool operator==(const SiteSettings &) const = default;
};

// One value the settings own in the INI text; no value: its line goes.
struct IniValue {
    QString section;
    QString key;
    std::optional<QString> value;
};

// existing with each owned key's line replaced in place (the first one, later
// repeats dropped), missing keys added at the end of their section's first
// block and missing sections at the end. Every other line stays as it was.
QString mergeIni(const QString &existing, const QList<IniValue> &owned);

} // namespace common
