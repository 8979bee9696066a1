#include "app/Glossa_DeskApp.h"

int main(int argc, char **argv)
{
    // Glossa Desk reads no arguments: it works on the directory it is started in.
    Glossa::CGlossa_DeskApp app(argc, argv);
    app.InitInstance();
    return app.ExitInstance();
}
