// The GUI tests need a QApplication on the main thread; without a display they
// draw offscreen.
#include <QApplication>
#include <QByteArray>
#include <gtest/gtest.h>

#if defined(__SANITIZE_THREAD__)
// Qt is not built with ThreadSanitizer: its raster painting hands image strips
// to pooled threads and synchronises them with its own futex-based primitives,
// which the sanitizer cannot see. Only memory operations made inside Qt are
// ignored; every access from our code is still checked.
extern "C" const char* __tsan_default_suppressions()
{
    return "called_from_lib:libQt6Gui.so.6\n"
           "called_from_lib:libQt6Core.so.6\n";
}
#endif

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    if (qEnvironmentVariableIsEmpty("VEXLO_HOST_ADDRESS"))
        qputenv("VEXLO_HOST_ADDRESS", QByteArrayLiteral("127.0.0.1"));
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
