// The small rules of plain text every window leans on: which addresses are
// numeric, how a user's number is read, how the clock is written, and a
// file that is replaced whole or not at all.
#include "core/Clock.h"
#include "core/CsvText.h"
#include "core/LocaleNumber.h"
#include "core/NumericAddress.h"
#include "core/SafeFile.h"

#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <climits>

namespace vimbo {
namespace {

TEST(NumericAddress, onlyANumericIPv4OrIPv6HostIsAnAddress)
{
    const QString nul(QChar(u'\0'));
    struct Case {
        const char* name;
        QString text;
        bool numeric;
        bool ipv6;
    };
    const Case cases[] = {
        {"loopback", QStringLiteral("127.10.10.10"), true, false},
        {"IPv6 loopback", QStringLiteral("::1"), true, true},
        {"full IPv6", QStringLiteral("fe80::1:2"), true, true},
        {"a host name", QStringLiteral("localhost"), false, false},
        {"three parts", QStringLiteral("127.0.1"), false, false},
        {"a part over 255", QStringLiteral("127.0.0.256"), false, false},
        {"a port", QStringLiteral("127.0.0.1:161"), false, false},
        {"Arabic-Indic digits", QStringLiteral("١٢٧.0.0.1"), false, false},
        {"a NUL and more after it", QStringLiteral("127.0.0.1") + nul + QStringLiteral("evil"), false, false},
        {"an IPv6 address then a NUL", QStringLiteral("::1") + nul, false, false},
        {"empty", QString(), false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(isNumericAddress(c.text), c.numeric);
        EXPECT_EQ(isNumericIPv6Address(c.text), c.ipv6);
    }
}

TEST(LocaleNumber, followsTheUsersDecimalSeparatorAndNeverItsGrouping)
{
    const QLocale english(QLocale::English), spanish(QLocale::Spanish);
    struct Case {
        const char* name;
        const QLocale& locale;
        const char* text;
        std::optional<double> value;
    };
    const Case cases[] = {
        {"Spanish decimal comma", spanish, "474,25", 474.25},
        {"a full stop where Spanish groups", spanish, "474.25", std::nullopt},
        {"blanks and an exponent", english, " 1.00E-07 ", 1e-7},
        {"an English grouping comma is never 4745", english, "474,5", std::nullopt},
        {"out of range", english, "1e999", std::nullopt},
        {"not a number", english, "abc", std::nullopt},
        {"empty", english, "", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(parseLocaleNumber(QString::fromLatin1(c.text), c.locale), c.value);
    }
}

TEST(ClockTime, hoursAndMinutesWithTheLocalesSeparatorThenAFullStop)
{
    EXPECT_EQ(formatClockTime(QTime(14, 5, 37), QLocale::c()), QStringLiteral("14:05.37"));
    // Finnish writes its hours and minutes with a full stop; the 12-hour
    // English clock still shows 24 hours.
    EXPECT_EQ(formatClockTime(QTime(0, 0, 0), QLocale(QLocale::Finnish, QLocale::Finland)), QStringLiteral("00.00.00"));
    EXPECT_EQ(formatClockTime(QTime(23, 59, 9), QLocale(QLocale::English, QLocale::UnitedStates)),
              QStringLiteral("23:59.09"));
    EXPECT_EQ(localeTimeSeparator(QLocale(QLocale::Finnish, QLocale::Finland)), QStringLiteral("."));
}

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

TEST(IsoTime, theWallTimeUnderItsOffsetWithoutOverflowOnHostileValues)
{
    const struct {
        std::int64_t msecs;
        int offsetSeconds;
        const char* text;
    } cases[] = {
        {-14'182'940'000, 0, "1969-07-20T20:17:40+00:00"},  // before 1970
        {-1, 0, "1969-12-31T23:59:59+00:00"},
        {-2'203'891'201'000 + 1000, 0, "1900-03-01T00:00:00+00:00"},  // 1900 had no 29 February
        {1'709'159'400'000, 5 * 3600 + 45 * 60, "2024-02-29T04:15:00+05:45"},  // a leap day, reached by the offset
        {1'709'258'400'000, -(3 * 3600 + 30 * 60), "2024-02-29T22:30:00-03:30"},
        {1'704'016'800'000, 14 * 3600, "2024-01-01T00:00:00+14:00"},
        {1'704'016'800'000, 5 * 3600 + 45 * 60 + 30, "2023-12-31T15:45:00+05:45"},  // seconds of an offset dropped
        {1'704'016'800'999, 0, "2023-12-31T10:00:00+00:00"},
        {0, INT_MIN, "1969-12-31T06:00:00-18:00"},
        {0, INT_MAX, "1970-01-01T18:00:00+18:00"},
        {LLONG_MAX, 3600, "9999-12-31T23:59:59+01:00"},
        {LLONG_MIN, -3600, "0000-01-01T00:00:00-01:00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(isoTime(c.msecs, c.offsetSeconds).toStdString(), c.text);
        std::string appended = "t=";
        appendIsoTime(appended, c.msecs, c.offsetSeconds);
        EXPECT_EQ(appended, std::string("t=") + c.text);
    }
}

TEST(CsvText, noFieldStartsAFormulaAndNumbersStayNumbers)
{
    const QString nul(QChar(u'\0'));
    const struct {
        QString text;
        QString field;
    } cases[] = {
        {QStringLiteral("=HYPERLINK(\"http://x\",\"y\")"), QStringLiteral("\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\"")},
        {QStringLiteral("@SUM(1+1)*cmd|' /C calc'!A0"), QStringLiteral("'@SUM(1+1)*cmd|' /C calc'!A0")},
        {QStringLiteral("+1+2"), QStringLiteral("'+1+2")},
        {QStringLiteral("-2+3"), QStringLiteral("'-2+3")},
        {QStringLiteral("-"), QStringLiteral("'-")},
        {QStringLiteral("\tcmd"), QStringLiteral("\"'\tcmd\"")},
        {QStringLiteral("\r=1"), QStringLiteral("\"'\r=1\"")},
        {QStringLiteral("-12.5"), QStringLiteral("-12.5")},
        {QStringLiteral("+3e-07"), QStringLiteral("+3e-07")},
        {QStringLiteral("KESTREL=1"), QStringLiteral("KESTREL=1")},
        {QStringLiteral("a;=cmd"), QStringLiteral("\"a;=cmd\"")},
        {QStringLiteral("Peñas, \"Altas\""), QStringLiteral("\"Peñas, \"\"Altas\"\"\"")},
        {QStringLiteral("two\r\nlines"), QStringLiteral("\"two\r\nlines\"")},
        {QStringLiteral("AB") + nul + QStringLiteral("CD"), QStringLiteral("AB\uFFFDCD")},
        {nul + QStringLiteral("=1"), QStringLiteral("\uFFFD=1")},
        {QString(), QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(csvField(c.text).toStdString(), c.field.toStdString());
    }
}

TEST(SafeFile, aFileIsReplacedWholeOrLeftAsItWas)
{
    QTemporaryDir folder;
    const QString path = test::writeFile(folder, QStringLiteral("plan.csv"), "old\n");
    const auto writes = [](const QByteArray& bytes) { return [bytes](QIODevice& out) { return out.write(bytes) == bytes.size(); }; };

    EXPECT_EQ(writeFileSafely(path, writes("new\n")), std::nullopt);
    EXPECT_EQ(contentOf(path), QByteArray("new\n"));

    // A writer that gives up half-way leaves the earlier file and no scrap.
    const auto reason = writeFileSafely(path, [](QIODevice& out) { return out.write("half") < 0; });
    EXPECT_EQ(reason, QStringLiteral("the file could not be written"));
    EXPECT_EQ(contentOf(path), QByteArray("new\n"));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("plan.csv")});

    // A folder that cannot be written says why, and nothing changes.
    if (::geteuid() != 0) {
        ::chmod(QFile::encodeName(folder.path()).constData(), 0500);
        EXPECT_NE(writeFileSafely(path, writes("lost\n")), std::nullopt);
        ::chmod(QFile::encodeName(folder.path()).constData(), 0700);
        EXPECT_EQ(contentOf(path), QByteArray("new\n"));
    }
    const auto missing = writeFileSafely(folder.filePath(QStringLiteral("no/such/folder.csv")), writes("x"));
    ASSERT_NE(missing, std::nullopt);
    EXPECT_FALSE(missing->isEmpty());
}

}  // namespace
}  // namespace vimbo
