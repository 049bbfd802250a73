#include <gtest/gtest.h>

#include <QApplication>

// Widgets need an application object; the offscreen platform lets the tests
// run without a display.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    testing::InitGoogleTest(&argc, argv);
    // The toolkit's own dialogs, which the tests can find and answer.
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
