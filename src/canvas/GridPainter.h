#ifndef CANVAS_GRIDPAINTER_H
#define CANVAS_GRIDPAINTER_H

#include <QBrush>
#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QSizeF>

class QPainter;

// Paints the canvas background and the tick grid on it: division lines,
// principal lines, division points and principal points, in that order,
// each a solid one-pixel pen without antialiasing, each left out when its
// colour is transparent or its step is finer than half a pixel. Tick 0 lies
// at scene coordinate 0, so the grid falls on whole multiples of a division
// from the origin.
//
// A grid drawn line by line costs time with every line and point on the
// screen; paint() instead draws a picture of a few principals once, for the
// painter's scale in device pixels, and fills the exposed area with it as a
// tiled brush aligned to the scene origin. paintDirect() draws line by line:
// where the picture cannot stand in for it (a painter that rotates, shears
// or fades, a printer or another device that is not a raster image, a
// background that lets through what lies under it, a principal that comes
// to no whole number of pixels) and as the measure the picture is checked
// against. Both put every line and point on the same pixel.
//
// GUI thread only.
class GridPainter
{
public:
    struct Style
    {
        QColor background;
        QColor divisionLines;
        QColor principalLines;
        QColor divisionPoints;
        QColor principalPoints;
        int divisions = 1; // per principal, at least 1
        QSizeF principal;  // one principal in scene units
        bool showGrid = true;

        bool operator==(const Style &other) const;
        bool operator!=(const Style &other) const { return !(*this == other); }
    };

    // Paints the exposed rectangle (scene coordinates; the painter maps
    // scene to device), widened to whole principals and one more on each
    // side as far as the painter's clip lets it.
    void paint(QPainter *painter, const QRectF &exposed, const Style &style);
    static void paintDirect(QPainter *painter, const QRectF &exposed, const Style &style);

    // The picture paint() fills with, and how often one was drawn: a new
    // one only for another device scale, sub-pixel offset or style.
    QSize tileSize() const { return m_tileSize; }
    int tileRenderCount() const { return m_tileRenderCount; }

private:
    struct TileKey
    {
        Style style;
        QSize size;
        int principalsX = 0;
        int principalsY = 0;
        QPointF phase;
        bool divisionsShown = false;
        bool principalsShown = false;

        bool operator==(const TileKey &other) const;
    };

    bool paintTiled(QPainter *painter, const QRectF &exposed, const Style &style);

    TileKey m_tileKey;
    QBrush m_tileBrush;
    QSize m_tileSize;
    int m_tileRenderCount = 0;
};

#endif
