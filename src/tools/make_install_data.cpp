// Writes the installation tables into a folder (by default resources/install of the source
// tree, where they are kept): lumiro-make-install-data [folder]
#include <exception>
#include <iostream>

#include "tools/install_data.h"

int main(int argc, char* argv[]) {
    if (argc > 2) {
        std::cerr << "Użycie: lumiro-make-install-data [folder]\n";
        return 2;
    }
    try {
        lumiro::tools::writeInstallData(argc == 2 ? argv[1] : LUMIRO_INSTALL_DATA_DIR);
    } catch (const std::exception& e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
    return 0;
}
