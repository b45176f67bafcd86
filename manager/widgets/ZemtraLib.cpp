#include "ZemtraLib.h"

#include "Geometry.h"
#include "core/ProgramError.h"

#include <QPainter>
#include <QStringList>

#include <limits>

namespace ZemtraLib {

namespace {

constexpr const char* kTemporaryBoxName = "resizeImage_sub_localPictureBox";

QWidget& windowOf(vimbo::PictureBox& pic) { return *pic.window(); }

void checkInt16(long value, const QString& source)
{
    if (value < std::numeric_limits<std::int16_t>::min() || value > std::numeric_limits<std::int16_t>::max())
        throw vimbo::overflowError(source);
}

}  // namespace

void resizePicture(vimbo::PictureBox& pic)
{
    QWidget& window = windowOf(pic);
    if (pic.autoSize())
        throw vimbo::ProgramError(65535, QStringLiteral("ZemtraLib.resizePicture"),
                                  QStringLiteral("Picture ") + window.objectName() + QLatin1Char('.') +
                                      pic.objectName() + QStringLiteral(" must have autoSize to false"));

    const vimbo::ScaleUnit windowUnit = vimbo::windowScaleUnit(window);
    vimbo::setWindowScaleUnit(window, vimbo::ScaleUnit::Twips);
    const auto w = static_cast<std::int16_t>(vimbo::pixelsFromTwips(vimbo::twipsFromPixels(pic.width())));
    const auto h = static_cast<std::int16_t>(vimbo::pixelsFromTwips(vimbo::twipsFromPixels(pic.height())));
    pic.setAutoSize(true);
    resizeImage_sub(pic, w, h);
    vimbo::setWindowScaleUnit(window, windowUnit);
    pic.setAutoSize(false);
}

void resizeImage_sub(vimbo::PictureBox& pic, std::int16_t w, std::int16_t h)
{
    const vimbo::ScaleUnit picUnit = pic.scaleUnit();
    const bool picRedraw = pic.autoRedraw();
    pic.setScaleUnit(vimbo::ScaleUnit::Pixels);
    pic.setAutoRedraw(true);

    QWidget& window = windowOf(pic);
    const vimbo::ScaleUnit windowUnit = vimbo::windowScaleUnit(window);
    vimbo::setWindowScaleUnit(window, vimbo::ScaleUnit::Twips);

    if (window.findChild<QWidget*>(QString::fromLatin1(kTemporaryBoxName)))
        throw vimbo::ProgramError(vimbo::errors::kNameInUse, QStringLiteral("ZemtraLib.resizeImage_sub"),
                                  QStringLiteral("There is already a control with the name '") +
                                      QString::fromLatin1(kTemporaryBoxName) + QLatin1Char('\''));
    const QSize target(std::max<int>(w, 1), std::max<int>(h, 1));
    {
        vimbo::PictureBox local(&window);
        local.setObjectName(QString::fromLatin1(kTemporaryBoxName));
        local.setAutoRedraw(true);
        local.setScaleUnit(vimbo::ScaleUnit::Pixels);
        local.resize(target);

        QPainter toLocal(&local.surface());
        toLocal.setRenderHint(QPainter::SmoothPixmapTransform);
        toLocal.drawImage(QRect(QPoint(0, 0), target), pic.image(), QRect(QPoint(0, 0), pic.size()));
        toLocal.end();

        pic.resize(target);
        QPainter toPic(&pic.surface());
        toPic.setCompositionMode(QPainter::CompositionMode_Source);
        toPic.drawImage(QRect(QPoint(0, 0), target), local.image(), QRect(QPoint(0, 0), target));
        toPic.end();
        pic.update();
    }  // the temporary box leaves the window here

    vimbo::setWindowScaleUnit(window, windowUnit);
    pic.setAutoRedraw(picRedraw);
    pic.setScaleUnit(picUnit);
}

void shiftRows(vimbo::VariantGrid& table, std::int16_t n)
{
    const QString source = QStringLiteral("ZemtraLib.shiftRows");
    const long lower = table.rowLower(), upper = table.rowUpper();
    for (long bound : {lower, upper, static_cast<long>(table.columnLower()), static_cast<long>(table.columnUpper())})
        checkInt16(bound, source);
    const int c1 = table.columnLower(), c2 = table.columnUpper();
    const zemtra::Variant zero(std::int16_t{0});

    if (n >= 0) {
        checkInt16(upper - n, source);
        checkInt16(lower + n - 1, source);
        // Downwards, so every source row is copied before it is overwritten.
        for (long i = upper - n; i >= lower; --i)
            for (int j = c1; j <= c2; ++j)
                table.at(static_cast<int>(i + n), j) = table.at(static_cast<int>(i), j);
        for (long i = lower + n - 1; i >= lower; --i)
            for (int j = c1; j <= c2; ++j)
                table.at(static_cast<int>(i), j) = zero;
    } else {
        checkInt16(lower - n, source);
        checkInt16(upper + n + 1, source);
        for (long i = lower - n; i <= upper; ++i)
            for (int j = c1; j <= c2; ++j)
                table.at(static_cast<int>(i + n), j) = table.at(static_cast<int>(i), j);
        for (long i = upper + n + 1; i <= upper; ++i)
            for (int j = c1; j <= c2; ++j)
                table.at(static_cast<int>(i), j) = zero;
    }
}

bool isValidIPAddress(const QString& text)
{
    const QStringList fields = text.split(QLatin1Char('.'));
    if (fields.size() != 4)
        return false;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        // The plain decimal writing of a number: no sign, blank or leading zero.
        const QString& field = fields[i];
        if (field.isEmpty() || field.size() > 3 || (field.size() > 1 && field.front() == QLatin1Char('0')))
            return false;
        for (const QChar c : field)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        // The network and host ends stay 1..254; the middle fields take any
        // byte, as in 10.0.0.1 and 192.168.0.20.
        const bool end = i == 0 || i == 3;
        const int value = field.toInt();
        if (value < (end ? 1 : 0) || value > (end ? 254 : 255))
            return false;
    }
    return true;
}

}  // namespace ZemtraLib
