#include "clsChannelset.h"

#include "ChannelPlanFile.h"
#include "core/Dialogs.h"

#include <QFile>

namespace vimbo {

clsChannelset::clsChannelset(Dialogs& dialogs) : m_dialogs(dialogs) {}

std::shared_ptr<channelsCollection> clsChannelset::channelsCollection()
{
    if (!m_collection)
        m_collection = std::make_shared<vimbo::channelsCollection>();
    return m_collection;
}

void clsChannelset::setChannelsCollection(std::shared_ptr<vimbo::channelsCollection> collection)
{
    m_collection = std::move(collection);
}

bool clsChannelset::loadChanFile()
{
    if (m_chanFile.trimmed().isEmpty()) {
        m_dialogs.showMessage(kApplicationTitle, QStringLiteral("File not set or has white spaces"),
                              MessageIcon::None, MessageButtons::Ok);
        return false;
    }
    auto reportError = [&](const QString& description) {
        m_dialogs.showMessage(kApplicationTitle, QStringLiteral("Error reading ") + m_chanFile + QStringLiteral("\r\n") +
                                                     description,
                              MessageIcon::None, MessageButtons::Ok);
        return false;
    };

    QFile file(m_chanFile);
    if (!file.open(QIODevice::ReadOnly))
        return reportError(file.errorString());
    const ChannelPlanRead read = readChannelPlan(file);
    file.close();
    if (!read.ok)
        return reportError(read.error);

    auto collection = std::make_shared<vimbo::channelsCollection>();
    for (const ChannelRecord& record : read.channels)
        collection->Add(record.name, record.videoKHz, record.centreKHz);
    m_collection = std::move(collection);
    return true;
}

}  // namespace vimbo
