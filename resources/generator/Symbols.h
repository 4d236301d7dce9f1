#ifndef RESOURCES_GENERATOR_SYMBOLS_H
#define RESOURCES_GENERATOR_SYMBOLS_H

#include <QColor>

class QPainter;

// The symbols of the tool bar and the inspector's page buttons, drawn with the
// painter's pen and brush at their design size; the program's images and the
// manual's pictures draw them at their own scales.
namespace Symbols {

extern const QColor Ink;
extern const QColor Accent;

// The five tools, in a 14 x 16 box; the flag is unused (a first pass draws
// the shadow, a second the ink).
void selectionTool(QPainter &p, bool);
void zoomTool(QPainter &p, bool);
void nodeAndEdgeTool(QPainter &p, bool);
void voiceGroupTool(QPainter &p, bool);
void textBoxTool(QPainter &p, bool);

// The transport's symbols, centred on the origin in a button 35 wide; they
// fill with the painter's brush.
void gotoStart(QPainter &p);
void play(QPainter &p);
void pause(QPainter &p);
// A MIDI socket, lit when MIDI triggering is on; it sets its own pen and brush.
void midiSocket(QPainter &p, bool on);

// The inspector's pages, in a 20 x 20 box; they set their own pens and brushes.
void documentPage(QPainter &p);
void instrumentPage(QPainter &p);
void edgePage(QPainter &p);
void nodePage(QPainter &p);
void voiceGroupPage(QPainter &p);

} // namespace Symbols

#endif
