#include "channels/ChannelPlanFile.h"
#include "FakeDialogs.h"
#include "TestFiles.h"
#include "channels/clsChannelset.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>


using namespace vimbo;
using vimbo::test::FakeDialogs;

namespace {

// Builds plan files byte by byte, tables included.
class PlanBytes {
public:
    explicit PlanBytes(int count) { int16(count).bytes({0}); }

    PlanBytes& int16(int value) { return bytes({static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF)}); }
    PlanBytes& int32(std::int32_t value)
    {
        for (int shift = 0; shift < 32; shift += 8)
            m_data.append(static_cast<char>((static_cast<std::uint32_t>(value) >> shift) & 0xFF));
        return *this;
    }
    PlanBytes& bytes(std::initializer_list<char> values)
    {
        for (char c : values)
            m_data.append(c);
        return *this;
    }
    /// `entries` 5-byte entries that do not end the table, then the terminator.
    PlanBytes& table(int entries, char first = 0x01, char second = 0x02)
    {
        for (int i = 0; i < entries; ++i)
            bytes({first, second, 0x11, 0x22, 0x33});
        return bytes({'\xFF', '\xFF', 0x7A, 0x7B, 0x7C});
    }
    PlanBytes& channel(const char (&name)[9], std::int32_t video, std::int32_t centre, int tableEntries = 0)
    {
        m_data.append(name, 8);
        return int32(video).int32(centre).table(tableEntries).table(tableEntries);
    }
    const QByteArray& data() const { return m_data; }

private:
    QByteArray m_data;
};

ChannelPlanRead readBytes(const QByteArray& data)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    return readChannelPlan(buffer);
}

QByteArray twoChannels()
{
    return PlanBytes(2).table(0).channel("  34    ", 575250, 578000).channel("LONGNAME", -1, 2147483647).data();
}

}  // namespace

TEST(ChannelPlanRead, onlyTwoFfBytesEndATable)
{
    const QByteArray data = PlanBytes(1)
                                .table(3, '\xFF', 0x00)  // FF 00 entries do not end it
                                .bytes({'A', 'B', ' ', ' ', ' ', ' ', ' ', ' '})
                                .int32(10)
                                .int32(20)
                                .table(2, 0x00, '\xFF')
                                .table(32723)  // at the limit
                                .data();
    const ChannelPlanRead read = readBytes(data);
    ASSERT_TRUE(read.ok) << read.error.toStdString();
    EXPECT_EQ(read.channels, (std::vector<ChannelRecord>{{QStringLiteral("AB"), 10, 20}}));
}

TEST(ChannelPlanRead, tablePastTheLimitCountsBelowOneAndShortFilesFail)
{
    EXPECT_FALSE(readBytes(PlanBytes(1).table(32724).channel("A       ", 1, 2).data()).ok);
    EXPECT_FALSE(readBytes(PlanBytes(1).table(0).channel("A       ", 1, 2, 32724).data()).ok);
    EXPECT_FALSE(readBytes(PlanBytes(32767).table(0).bytes({'x', 'y'}).data()).ok);  // a hostile count
    for (int count : {0, -1, -32768}) {
        const ChannelPlanRead read = readBytes(PlanBytes(count).table(0).channel("A       ", 1, 2).data());
        EXPECT_FALSE(read.ok) << count;
        EXPECT_TRUE(read.channels.empty());
    }
    // Every prefix of a good file fails, whichever boundary it stops at.
    const QByteArray full = twoChannels();
    for (qsizetype length = 0; length < full.size(); ++length) {
        const ChannelPlanRead read = readBytes(full.left(length));
        EXPECT_FALSE(read.ok) << length;
        EXPECT_EQ(read.error, QStringLiteral("Input past end of file")) << length;
    }
}

// ---- clsChannelset --------------------------------------------------------

class ChannelSetLoad : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_folder.isValid()); }
    QString write(const QString& name, const QByteArray& data) { return vimbo::test::writeFile(m_folder, name, data); }

    QTemporaryDir m_folder;
    FakeDialogs m_dialogs;
    clsChannelset m_plan{m_dialogs};
};

TEST_F(ChannelSetLoad, goodFileReplacesTheCollectionSilently)
{
    EXPECT_FALSE(m_plan.hasChannelsCollection());
    m_plan.setChanFile(write(QStringLiteral("two.can"), twoChannels()));
    EXPECT_FALSE(m_plan.hasChannelsCollection());  // setting the name loads nothing
    EXPECT_TRUE(m_plan.loadChanFile());
    EXPECT_TRUE(m_dialogs.messages.empty());
    ASSERT_EQ(m_plan.channelsCollection()->Count(), 2);
    EXPECT_EQ(m_plan.channelsCollection()->Item(1)->ChName(), QStringLiteral("34"));  // in file order, trimmed
    EXPECT_EQ(m_plan.channelsCollection()->findByFreq(2147483647)->ChName(), QStringLiteral("LONGNAME"));
}

TEST_F(ChannelSetLoad, failedLoadsReportTheFileAndKeepThePreviousCollection)
{
    const QString missing = m_folder.filePath(QStringLiteral("missing.can"));
    m_plan.setChanFile(missing);
    EXPECT_FALSE(m_plan.loadChanFile());
    EXPECT_FALSE(m_plan.hasChannelsCollection());  // a new plan stays without channels
    ASSERT_EQ(m_dialogs.messages.size(), 1u);
    EXPECT_TRUE(m_dialogs.messages[0].text.startsWith(QStringLiteral("Error reading ") + missing + "\r\n"))
        << m_dialogs.messages[0].text.toStdString();

    m_plan.setChanFile(write(QStringLiteral("good.can"), twoChannels()));
    ASSERT_TRUE(m_plan.loadChanFile());
    const auto loaded = m_plan.channelsCollection();

    for (const QByteArray& bad : {PlanBytes(0).table(0).data(), twoChannels().left(20)}) {
        m_plan.setChanFile(write(QStringLiteral("bad.can"), bad));
        EXPECT_FALSE(m_plan.loadChanFile());
        EXPECT_EQ(m_plan.channelsCollection(), loaded);
        EXPECT_TRUE(m_dialogs.messages.back().text.startsWith(QStringLiteral("Error reading ") + m_plan.ChanFile()));
    }
    m_plan.setChanFile(m_folder.path());  // a folder cannot be read as a plan
    EXPECT_FALSE(m_plan.loadChanFile());
    EXPECT_EQ(m_plan.channelsCollection(), loaded);
}
