#include "ChannelPlan.h"

#include "channels/ChannelPlanFile.h"
#include "channels/channelsCollection.h"

#include <QFile>
#include <QFileInfo>

namespace vimbo {

std::shared_ptr<const channelsCollection> loadChannelPlan(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    const ChannelPlanRead read = readChannelPlan(file);
    if (!read.ok)
        return nullptr;
    auto plan = std::make_shared<channelsCollection>();
    for (const ChannelRecord& channel : read.channels)
        plan->Add(channel.name, channel.videoKHz, channel.centreKHz);
    return plan;
}

QString defaultChannelPlanPath(const QString& dataFolder)
{
    const QString here = QStringLiteral("CCIR.can");
    const QString installed = dataFolder + QStringLiteral("/CCIR.can");
    return !QFileInfo::exists(here) && QFileInfo::exists(installed) ? installed : here;
}

}  // namespace vimbo
