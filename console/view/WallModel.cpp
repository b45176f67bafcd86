#include "WallModel.h"

#include "main/frmMainDesign.h"

#include <algorithm>
#include <tuple>

namespace vimbo {

namespace {

bool anyLit(const ProbeView& view, LampLook SlotView::*lamp)
{
    return std::any_of(view.slotViews.begin(), view.slotViews.end(),
                       [lamp](const SlotView& slot) { return slot.*lamp == LampLook::Lit; });
}

}  // namespace

Severity severityOf(const ProbeView& view)
{
    if (isUnanswered(view.state))
        return Severity::Lost;
    if (view.state != ProbeState::Answering)
        return Severity::Normal;
    if (anyLit(view, &SlotView::alarm))
        return Severity::Alarm;
    if (anyLit(view, &SlotView::warning))
        return Severity::Warning;
    return Severity::Normal;
}

bool WallFilter::keeps(const ProbeView& view) const
{
    if (site && view.site != *site)
        return false;
    return !onlyNotable || severityOf(view) != Severity::Normal;
}

QColor lampColour(LampLook lamp, bool alarm)
{
    switch (lamp) {
    case LampLook::Dark: return alarm ? design::kAlarmDark : design::kWarningDark;
    case LampLook::Lit: return alarm ? design::kAlarmLit : design::kWarningLit;
    case LampLook::Stale: {
        // Half way from the lit colour to the grey of an old value: still told
        // apart from dark, never mistaken for an alarm of now.
        const QColor lit = alarm ? design::kAlarmLit : design::kWarningLit;
        const QColor grey = valueColour(true);
        return QColor((lit.red() + grey.red()) / 2, (lit.green() + grey.green()) / 2, (lit.blue() + grey.blue()) / 2);
    }
    }
    return {};
}

QColor valueColour(bool stale)
{
    return stale ? QColor(128, 128, 128) : QColor(0, 0, 0);
}

bool valuesStale(const ProbeView& view)
{
    return view.state != ProbeState::Answering;
}

bool WallModel::put(const ProbeView& view)
{
    const auto at = std::find_if(m_views.begin(), m_views.end(), [&](const ProbeView& v) { return v.id == view.id; });
    if (at == m_views.end()) {
        m_views.push_back(view);
        return true;
    }
    if (*at == view)
        return false;
    *at = view;
    return true;
}

bool WallModel::remove(const QString& id)
{
    const auto at = std::find_if(m_views.begin(), m_views.end(), [&](const ProbeView& v) { return v.id == id; });
    if (at == m_views.end())
        return false;
    m_views.erase(at);
    return true;
}

const ProbeView* WallModel::find(const QString& id) const
{
    const auto at = std::find_if(m_views.begin(), m_views.end(), [&](const ProbeView& v) { return v.id == id; });
    return at == m_views.end() ? nullptr : &*at;
}

std::vector<const ProbeView*> WallModel::ordered(const WallFilter& filter) const
{
    std::vector<const ProbeView*> shown;
    for (const ProbeView& view : m_views)
        if (filter.keeps(view))
            shown.push_back(&view);
    std::stable_sort(shown.begin(), shown.end(), [](const ProbeView* a, const ProbeView* b) {
        return std::make_tuple(severityOf(*a), a->id.toLower(), a->id) <
               std::make_tuple(severityOf(*b), b->id.toLower(), b->id);
    });
    return shown;
}

QStringList WallModel::sites() const
{
    QStringList sites;
    for (const ProbeView& view : m_views)
        if (!sites.contains(view.site))
            sites.push_back(view.site);
    sites.sort(Qt::CaseInsensitive);
    return sites;
}

}  // namespace vimbo
