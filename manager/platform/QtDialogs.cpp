#include "QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace vimbo {

namespace {

QMessageBox::Icon qtIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::None: return QMessageBox::NoIcon;
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Exclamation: return QMessageBox::Warning;
    case MessageIcon::Critical: return QMessageBox::Critical;
    case MessageIcon::Question: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

MessageAnswer QtDialogs::showMessage(const QString& title, const QString& text, MessageIcon icon,
                                     MessageButtons buttons)
{
    QMessageBox box(qtIcon(icon), title, text, QMessageBox::NoButton, QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);  // a text may carry a probe's name, which is the network's
    switch (buttons) {
    case MessageButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case MessageButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MessageButtons::RetryCancel: box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel); break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok: return MessageAnswer::Ok;
    case QMessageBox::Retry: return MessageAnswer::Retry;
    default: return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
    }
}

namespace {

// A cancelled dialog returns an empty name.
std::optional<QString> chosen(const QString& name)
{
    if (name.isEmpty())
        return std::nullopt;
    return name;
}

}  // namespace

std::optional<QString> QtDialogs::openFileName(const QString& title, const QString& filter,
                                               const QString& initialName)
{
    return chosen(QFileDialog::getOpenFileName(QApplication::activeWindow(), title, initialName, qtFileFilter(filter)));
}

std::optional<QString> QtDialogs::saveFileName(const QString& title, const QString& filter,
                                               const QString& initialName)
{
    return chosen(QFileDialog::getSaveFileName(QApplication::activeWindow(), title, initialName, qtFileFilter(filter)));
}

QString qtFileFilter(const QString& pipeFilter)
{
    const QStringList parts = pipeFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        // Qt reads the patterns from the parentheses; add them when the description has none.
        if (!description.contains(QLatin1Char('(')))
            description += QStringLiteral(" (") + QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' ')) +
                           QLatin1Char(')');
        filters << description;
    }
    return filters.join(QStringLiteral(";;"));
}

}  // namespace vimbo
