#include "app/VormaApplication.h"

int main(int argc, char *argv[])
{
    VormaApplication app(argc, argv);
    return app.exec();
}
