#pragma once

#include "channelsCollection.h"

#include <QString>

#include <memory>

namespace vimbo {

class Dialogs;

/// A channel plan: the file it came from and the channels read from it.
class clsChannelset {
public:
    /// Message boxes of the loader go through `dialogs`, which must outlive the plan.
    explicit clsChannelset(Dialogs& dialogs);

    const QString& ChanFile() const { return m_chanFile; }
    /// Only records the path; nothing is loaded.
    void setChanFile(const QString& path) { m_chanFile = path; }

    /// The plan's collection; an empty one is made and kept when there is none.
    std::shared_ptr<vimbo::channelsCollection> channelsCollection();
    void setChannelsCollection(std::shared_ptr<vimbo::channelsCollection> collection);
    bool hasChannelsCollection() const { return m_collection != nullptr; }

    /// Reads ChanFile into a new collection that replaces the plan's one. On
    /// any failure shows the reason in a message box, keeps the collection it
    /// had and returns false.
    bool loadChanFile();

private:
    Dialogs& m_dialogs;
    QString m_chanFile;
    std::shared_ptr<vimbo::channelsCollection> m_collection;
};

}  // namespace vimbo
