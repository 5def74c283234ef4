// Saves the X screen, or a rectangle of it, as a PNG file:
//   grab_screen OUT.png [X Y WIDTH HEIGHT]
// Used by the end-to-end scripts to look at the window and to compare parts
// of it between two moments.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdlib>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2 && argc != 6) return 2;
    QPixmap pm = QGuiApplication::primaryScreen()->grabWindow(0);
    if (argc == 6)
        pm =
            pm.copy(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
    return pm.save(argv[1]) ? 0 : 1;
}
