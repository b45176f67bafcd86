#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

namespace vimbo {

/// The unit a window or box measures its contents in.
enum class ScaleUnit { Twips, Pixels };

/// A window's scale unit, kept as a property of the top-level widget (twips when unset).
ScaleUnit windowScaleUnit(const QWidget& window);
void setWindowScaleUnit(QWidget& window, ScaleUnit unit);

/// A picture box: a stored picture, and the persistent image the box shows and
/// repaints from. Auto-size makes the box take its picture's natural size
/// with the picture, unscaled, as its image.
class PictureBox : public QWidget {
public:
    explicit PictureBox(QWidget* parent = nullptr);

    const QPixmap& picture() const { return m_picture; }
    /// Stores the picture and draws it, unscaled, at the top left of the image.
    void setPicture(const QPixmap& picture);

    const QImage& image() const { return m_image; }
    /// Paints on the persistent image.
    QImage& surface() { return m_image; }

    bool autoSize() const { return m_autoSize; }
    void setAutoSize(bool on);
    bool autoRedraw() const { return m_autoRedraw; }
    void setAutoRedraw(bool on) { m_autoRedraw = on; }
    ScaleUnit scaleUnit() const { return m_scaleUnit; }
    void setScaleUnit(ScaleUnit unit) { m_scaleUnit = unit; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void redrawPicture();

    QPixmap m_picture;
    QImage m_image;
    bool m_autoSize = false;
    bool m_autoRedraw = false;
    ScaleUnit m_scaleUnit = ScaleUnit::Twips;
};

}  // namespace vimbo
