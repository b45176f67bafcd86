#include "frmEventsLog.h"

#include "widgets/Artwork.h"
#include "core/Clock.h"
#include "widgets/Controls.h"
#include "widgets/Geometry.h"
#include "core/MainWindowLink.h"
#include "widgets/PictureBox.h"
#include "core/ProgramError.h"
#include "widgets/ZemtraLib.h"

#include <QCloseEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <limits>

namespace vimbo {

namespace {

constexpr int kTableStep = 26;
constexpr int kIdRole = Qt::UserRole;
constexpr int kNoId = -1;
const QString kSource = QStringLiteral("frmEventsLog.removeMessage");

}  // namespace

frmEventsLog::frmEventsLog(MainWindowLink& main, const Clock& clock, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                         Qt::MSWindowsFixedSizeDialogHint),
      m_main(main), m_clock(clock)
{
    designWindow(*this, QStringLiteral("frmEventsLog"), QStringLiteral("Vimbo SNMP Demo Manager Events"), 4540, 3630);
    setModal(false);

    Picture1 = placeControl<PictureBox>(this, QStringLiteral("Picture1"), 120, 160, 320, 270);
    Picture1->setPicture(artwork::warningTriangle(true));
    Label1 = placeControl<QLabel>(this, QStringLiteral("Label1"), 480, 120, 2770, 370);
    Label1->setText(QStringLiteral("Event messages"));
    QFont larger = Label1->font();
    larger.setPixelSize(larger.pixelSize() * 3 / 2);
    Label1->setFont(larger);
    lstMsgs = placeControl<QListWidget>(this, QStringLiteral("lstMsgs"), 120, 600, 4330, 2440);
    lstMsgs->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstMsgs->setSortingEnabled(false);
    lstMsgs->setUniformItemSizes(true);  // a full log lays out in constant time
    btnRemoveAll = placeControl<QPushButton>(this, QStringLiteral("btnRemoveAll"), 360, 3120, 1215, 375);
    btnRemoveAll->setText(QStringLiteral("Remove all"));
    btnRemove = placeControl<QPushButton>(this, QStringLiteral("btnRemove"), 1800, 3120, 1215, 375);
    btnRemove->setText(QStringLiteral("Remove"));
    OKButton = placeControl<QPushButton>(this, QStringLiteral("OKButton"), 3240, 3120, 1215, 375);
    OKButton->setText(QStringLiteral("Close"));
    OKButton->setAutoDefault(false);
    btnRemove->setAutoDefault(false);
    btnRemoveAll->setAutoDefault(false);

    connect(btnRemove, &QPushButton::clicked, this, &frmEventsLog::frmEventsLog_btnRemove_Click);
    connect(btnRemoveAll, &QPushButton::clicked, this, &frmEventsLog::frmEventsLog_btnRemoveAll_Click);
    connect(OKButton, &QPushButton::clicked, this, &frmEventsLog::frmEventsLog_OKButton_Click);
}

void frmEventsLog::frmEventsLog_Form_Load()
{
    m_msgListIndex.assign(kTableStep, 0);
    m_msgCount = 0;
    ZemtraLib::resizePicture(*Picture1);
}

void frmEventsLog::addMessage(const QString& msg)
{
    // Identifiers are 16-bit: the last one is 32766, after which messages are
    // still logged but get no identifier (they can only be removed by hand).
    const bool identified = m_msgCount < std::numeric_limits<std::int16_t>::max();
    if (identified && m_msgCount > msgListIndexUpperBound()) {
        const int upper = std::min<int>(m_msgCount + kTableStep - 1, std::numeric_limits<std::int16_t>::max() - 1);
        m_msgListIndex.resize(static_cast<std::size_t>(upper) + 1, 0);
    }
    const int position = lstMsgs->count();
    if (identified)
        m_msgListIndex[static_cast<std::size_t>(m_msgCount)] =
            static_cast<std::int16_t>(std::min<int>(position, std::numeric_limits<std::int16_t>::max()));
    auto* line = new QListWidgetItem(formatClockTime(m_clock.now().time()) + QLatin1Char('-') + msg);
    line->setData(kIdRole, identified ? static_cast<int>(m_msgCount) : kNoId);
    lstMsgs->addItem(line);
    if (identified)
        ++m_msgCount;
    // A probe down for days must not fill the memory: past the bound the
    // oldest line goes. Recorded positions are left as they are; removeMessage
    // checks each against its line's identifier and looks the line up when moved.
    if (lstMsgs->count() > kMaxLines)
        delete lstMsgs->takeItem(0);
}

void frmEventsLog::removeMessage(std::int16_t msgId)
{
    if (msgId < 0 || msgId > msgListIndexUpperBound())
        throw subscriptError(kSource);
    // The recorded position is checked against the line's own identifier, so
    // a line the operator removed is never mistaken for another one.
    int position = m_msgListIndex[static_cast<std::size_t>(msgId)];
    const auto carries = [&](int row) {
        return row >= 0 && row < lstMsgs->count() && lstMsgs->item(row)->data(kIdRole).toInt() == msgId;
    };
    if (msgId >= m_msgCount || !carries(position)) {
        position = -1;
        for (int row = 0; row < lstMsgs->count() && msgId < m_msgCount; ++row)
            if (carries(row))
                position = row;
        if (position < 0)
            throw invalidArgumentError(kSource);
    }
    delete lstMsgs->takeItem(position);
    for (int id = 0; id < m_msgCount; ++id)
        if (m_msgListIndex[static_cast<std::size_t>(id)] > position)
            --m_msgListIndex[static_cast<std::size_t>(id)];
    if (msgId == m_msgCount - 1)
        --m_msgCount;
}

void frmEventsLog::frmEventsLog_btnRemove_Click()
{
    for (int row = lstMsgs->count() - 1; row >= 0; --row)
        if (lstMsgs->item(row)->isSelected())
            delete lstMsgs->takeItem(row);
}

void frmEventsLog::frmEventsLog_btnRemoveAll_Click() { lstMsgs->clear(); }

void frmEventsLog::frmEventsLog_OKButton_Click() { hideLog(); }

void frmEventsLog::hideLog()
{
    m_main.takeFocus();
    hide();
}

void frmEventsLog::closeEvent(QCloseEvent* event)
{
    // Only the operator closes this window (the program's end does not ask
    // it): the log hides and keeps its lines.
    event->ignore();
    hideLog();
}

void frmEventsLog::reject() { hideLog(); }

}  // namespace vimbo
