// GoogleTest main for the setup tests: the process's QApplication is the
// test's own, as a host application's would be, so the setup library uses it
// and the tests can answer the modal windows it opens. Qt's offscreen
// platform stands in for a display unless the environment names another.
#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("XDG_RUNTIME_DIR", BROLIX_QT_RUNTIME_DIR, 0);
    // Tests pass their own user: the client must not invent one.
    unsetenv("ISC_USER");
    unsetenv("ISC_PASSWORD");
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
