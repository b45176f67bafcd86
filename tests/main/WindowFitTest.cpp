// Every window, with the face actually in use: each caption and the widest
// value each control shows in normal use fit the control's content area.
#include "chart/ChartControl.h"
#include "widgets/Controls.h"
#include "FakeClock.h"
#include "FakeDialogs.h"
#include "channels/frmChannels.h"
#include "eventslog/frmEventsLog.h"
#include "main/frmMain.h"
#include "chart/frmMeasChart.h"
#include "snmpsettings/frmSnmpConfig.h"
#include "surveillance/frmSurveillanceConfig.h"
#include "Widgets.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QChartView>
#include <QComboBox>
#include <QDir>
#include <QFontInfo>
#include <QGraphicsTextItem>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOption>

#include <gtest/gtest.h>

using namespace vimbo;

namespace {

// The widest text each kind of box shows, by the start of its name.
const std::vector<std::pair<QString, QString>> kWidest = {
    {"txtLeds_", "(ChE12) 226.50MHz"},   {"chkChannel_", "(ChE12) 226.50MHz"},
    {"txtMeasPower_", "99.99"},          {"txtMeasMER_", "99.99"},
    {"txtMeasVBER_", "9.99E-07"},        {"txtThrAlarmVBER", "9.99E-07"},
    {"txtThrWarnVBER", "9.99E-07"},      {"txtThrAlarmMER", "99"},
    {"txtThrWarnMER", "99"},             {"txtThrAlarmChPower_", "99"},
    {"txtThrWarnChPower_", "99"},        {"txtChFrequencyMHz_", "862.00"},
    {"txtFreqVideoMHz_", "855.25"},      {"txtFreqCenterMHz_", "858.00"},
    {"lblChInd_", "(ChE12)"},            {"txtVimboIP", "127.100.100.100"},
    {"txtPort", "65535"},                {"txtTimeout10ms", "32767"},
    {"txtRetries", "32767"},             {"txtVimboName", "VIMBO-SIM"},
    {"txtVimboIPN", "IPN-0001"},         {"txtVimboVersion", "v01.02.03"},
};

// The width a control gives its text, as its style lays it out.
int room(QWidget* w)
{
    QStyle* style = w->style();
    if (auto* box = qobject_cast<QCheckBox*>(w)) {
        QStyleOptionButton option;
        option.initFrom(box);
        option.text = box->text();
        return style->subElementRect(QStyle::SE_CheckBoxContents, &option, box).width();
    }
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        const int frame = edit->hasFrame() ? style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit) : 0;
        const QMargins margins = edit->textMargins();
        return edit->width() - 2 * frame - margins.left() - margins.right() - 4;  // 2 px each side inside
    }
    if (auto* list = qobject_cast<QComboBox*>(w)) {
        QStyleOptionComboBox option;
        option.initFrom(list);
        return style->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list).width();
    }
    if (auto* group = qobject_cast<QGroupBox*>(w))
        return group->width() - 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth) - 8;
    if (auto* button = qobject_cast<QPushButton*>(w))
        return button->width() - 2 * style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
    if (auto* label = qobject_cast<QLabel*>(w))
        return label->contentsRect().width() - 2 * label->margin();
    return w->width() - 6;  // a tool button's text under its picture
}

std::vector<QString> textsOf(QWidget* w)
{
    std::vector<QString> texts;
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        texts.push_back(edit->text());
    else if (auto* list = qobject_cast<QComboBox*>(w))
        for (int i = 0; i < list->count(); ++i)
            texts.push_back(list->itemText(i));
    else if (auto* group = qobject_cast<QGroupBox*>(w))
        texts.push_back(group->title());
    else if (auto* button = qobject_cast<QAbstractButton*>(w))
        texts.push_back(button->text());
    else if (auto* label = qobject_cast<QLabel*>(w))
        texts.push_back(label->text());
    for (const auto& [prefix, widest] : kWidest)
        if (w->objectName().startsWith(prefix))
            texts.push_back(widest);
    return texts;
}

void expectEverythingFits(QWidget& window)
{
    const QFontInfo face(window.font());
    EXPECT_EQ(face.family().toStdString(), "DejaVu Sans") << "design face missing";
    EXPECT_EQ(face.styleName().toStdString(), "Condensed") << "design face missing";
    int checked = 0;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (w->objectName().startsWith(QLatin1String("test")) || w->objectName().isEmpty())
            continue;  // hidden test controls and the toolkit's own parts
        const QFontMetrics metrics(w->font());
        for (const QString& text : textsOf(w)) {
            if (text.isEmpty())
                continue;
            ++checked;
            const QString shown = QString(text).replace("&&", "\x01").remove('&').replace('\x01', '&');  // mnemonics
            EXPECT_LE(metrics.horizontalAdvance(shown), room(w))
                << window.objectName().toStdString() << "." << w->objectName().toStdString() << " \""
                << text.toStdString() << "\"";
        }
    }
    EXPECT_GT(checked, 2) << window.objectName().toStdString();
}

class WindowFit : public testing::Test {
protected:
    void SetUp() override
    {
        QDir::setCurrent(QStringLiteral(VIMBO_BIN_DIR));  // where CCIR.can is
        window.frmMain_Form_Load();
    }
    test::FakeDialogs dialogs;
    test::FakeClock clock;
    frmMain window{dialogs, clock};
};

}  // namespace

TEST_F(WindowFit, everyCaptionAndWidestValueIsShownWhole)
{
    expectEverythingFits(window);
    expectEverythingFits(window.measChart());
    expectEverythingFits(window.eventsLog());
    frmSnmpConfig snmp(window, dialogs, &window);
    snmp.frmSnmpConfig_Form_Load();
    expectEverythingFits(snmp);
    frmSurveillanceConfig surveillance(window, dialogs, &window);
    surveillance.frmSurveillanceConfig_Form_Load();
    expectEverythingFits(surveillance);
    frmChannels channels(window, dialogs, &window);
    channels.frmChannels_Form_Load();
    expectEverythingFits(channels);
}

TEST_F(WindowFit, chartTimeLabelsClearTheControlsLaidOverTheChart)
{
    frmMeasChart& chart = window.measChart();
    chart.show();
    QCoreApplication::processEvents();
    auto* view = chart.findChild<QChartView*>();
    ASSERT_NE(view, nullptr);
    const QRect scroll = test::child<QScrollBar>(chart, QStringLiteral("scrollTime"))->geometry();
    const QRect caption = test::child<QLineEdit>(chart, QStringLiteral("lbl5sAvgInfo"))->geometry();
    const QRect plotWidget = chart.chart().geometry();
    int timeLabels = 0;
    for (QGraphicsItem* item : view->scene()->items()) {
        auto* text = dynamic_cast<QGraphicsTextItem*>(item);
        if (!text || !text->isVisible() || !text->toPlainText().contains(QLatin1Char('.')) ||
            !text->toPlainText().contains(QLatin1Char(':')))
            continue;
        ++timeLabels;
        const QRect onWindow = view->mapFromScene(text->sceneBoundingRect()).boundingRect().translated(
            view->mapTo(&chart, QPoint(0, 0)));
        EXPECT_TRUE(plotWidget.contains(onWindow)) << text->toPlainText().toStdString();
        EXPECT_FALSE(onWindow.intersects(scroll)) << text->toPlainText().toStdString();
        EXPECT_FALSE(onWindow.intersects(caption)) << text->toPlainText().toStdString();
    }
    EXPECT_EQ(timeLabels, 6);
}
