#ifndef APP_CANVASPRINT_H
#define APP_CANVASPRINT_H

class QGraphicsScene;
class QPainter;

// Paints a canvas onto a page as the document stands: the marks of the
// selection and the ghosts of a gesture under way are editing aids, not
// part of the network, so they are left out. The whole scene rectangle is
// scaled uniformly to fit the painter's device; a scene without extent
// leaves the page empty. The scene is as it was afterwards, selection and
// ghosts included.
void printCanvas(QGraphicsScene *scene, QPainter *painter);

#endif
