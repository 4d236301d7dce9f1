#include "inspector/InspectedWindow.h"

InspectedWindow::~InspectedWindow() = default;
