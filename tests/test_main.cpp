/*
** The main of every test executable. Tests that need the built module
** find its path in g_dllPath (the first argument that is not a GoogleTest
** flag).
*/
#include <gtest/gtest.h>
#include <string>

std::string g_dllPath;   /* the module under test, a Windows path */

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (argc > 1)
        g_dllPath = argv[1];
    return RUN_ALL_TESTS();
}
