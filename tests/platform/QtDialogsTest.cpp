#include "platform/QtDialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

using namespace vimbo;

TEST(QtDialogs, aMessageNamingAProbeShowsItsNameAsPlainText)
{
    QtDialogs dialogs;
    Qt::TextFormat format = Qt::AutoText;
    QString text;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            format = box->textFormat();
            text = box->text();
            box->accept();
        }
    });
    dialogs.showMessage(QStringLiteral("vimboManager"), QStringLiteral("<b>ALL CLEAR</b> at 127.0.0.1:161 does not answer"),
                        MessageIcon::Exclamation, MessageButtons::Ok);
    EXPECT_EQ(text, QStringLiteral("<b>ALL CLEAR</b> at 127.0.0.1:161 does not answer"));
    EXPECT_EQ(format, Qt::PlainText);
}
