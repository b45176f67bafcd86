// The small rules of plain text every window leans on: which addresses are
// numeric, how a user's number is read, how the clock is written, and a
// file that is replaced whole or not at all.
#include "core/Clock.h"
#include "core/LocaleNumber.h"
#include "core/NumericAddress.h"
#include "core/SafeFile.h"

#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

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
