#include <cstdio>

int main() {
    std::puts("lumiro-db");
    return 0;
}
