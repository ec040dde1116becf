#include "app/entry.h"

int main()
{
    return App::run();
}
