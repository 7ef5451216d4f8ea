#pragma once
// Job tables for tests: a database file in a folder, filled quickly with
// realistic rows in their stored form.
#include "store/database.h"

#include <QList>
#include <QVariantMap>
#include <memory>

// A job numbered number with plausible values for every bound field, in the
// stored form (ISO dates, -1/0, numbers); overrides replace or add fields.
QVariantMap makeJob(int number, const QVariantMap &overrides = {});

// Jobs numbered first..last, as makeJob gives them.
QList<QVariantMap> makeJobs(int first, int last);

// Inserts the rows in one transaction, in order. Fields not named stay at
// their defaults.
common::Result<void> insertJobs(store::Database &db, const QList<QVariantMap> &jobs);

// Whether this run of the tests keeps the jobs on the test's PostgreSQL server
// (CORVALE_TEST_ENGINE=postgresql, the server in CORVALE_TEST_POSTGRES).
bool onServer();

// Creates folder/新客户信息.mdb (or the given file name) holding jobs; on the
// test server, its table made afresh with them (and CORVALE_DATABASE pointed
// at it, so what the program opens by the folder finds the server).
// Returns null and fails the current test when that does not work.
std::unique_ptr<store::Database> createJobTable(const QString &folder, const QList<QVariantMap> &jobs = {},
                                                const QString &fileName = QString());

// The same as an earlier version wrote the file: the yes/no flag may be
// unset (NULL), and nothing has brought the file up to date.
std::unique_ptr<store::Database> createEarlierJobTable(const QString &folder, const QList<QVariantMap> &jobs);
