#pragma once

#include <QString>

#include <memory>

namespace vimbo {

class channelsCollection;

/// The channel plan at `path`; none when it cannot be read or is not a plan.
std::shared_ptr<const channelsCollection> loadChannelPlan(const QString& path);
/// The plan the desktop would load: CCIR.can in the working folder, else the
/// installed one in `dataFolder`.
QString defaultChannelPlanPath(const QString& dataFolder);

}  // namespace vimbo
