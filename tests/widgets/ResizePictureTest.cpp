#include "widgets/Geometry.h"
#include "widgets/PictureBox.h"
#include "core/ProgramError.h"
#include "widgets/ZemtraLib.h"

#include <QPainter>
#include <QWidget>

#include <gtest/gtest.h>

using vimbo::PictureBox;

namespace {

// Left half red, right half blue.
QPixmap twoColourPicture(int width, int height)
{
    QPixmap picture(width, height);
    QPainter painter(&picture);
    painter.fillRect(0, 0, width / 2, height, Qt::red);
    painter.fillRect(width / 2, 0, width - width / 2, height, Qt::blue);
    return picture;
}

struct Window {
    QWidget window;
    PictureBox* box = new PictureBox(&window);
    Window(QRect boxTwips, QPixmap picture)
    {
        window.setObjectName(QStringLiteral("frmTest"));
        box->setObjectName(QStringLiteral("picLogo"));
        box->setGeometry(vimbo::rectFromTwips(boxTwips.x(), boxTwips.y(), boxTwips.width(), boxTwips.height()));
        box->setPicture(picture);
    }
};

}  // namespace

TEST(ResizePicture, theWholePictureFillsTheDesignedBoxAndIsKept)
{
    for (const QSize picture : {QSize(200, 100), QSize(10, 10)}) {
        Window w({0, 0, 1000, 500}, twoColourPicture(picture.width(), picture.height()));
        ZemtraLib::resizePicture(*w.box);
        EXPECT_EQ(w.box->size(), QSize(100, 50));
        ASSERT_EQ(w.box->image().size(), QSize(100, 50));
        // Red at the left edge, blue at the right: the whole picture, no margin.
        EXPECT_EQ(w.box->image().pixelColor(0, 49), QColor(Qt::red));
        EXPECT_EQ(w.box->image().pixelColor(99, 0), QColor(Qt::blue));
        EXPECT_EQ(w.box->picture().size(), picture);
    }
}
