#pragma once

// QTEST_MAIN for tests that need a QApplication, usable under the leak
// checker: Qt's offscreen platform plugin never frees the screen and cursor
// objects it creates while the application starts, so leak checking is off
// for the construction of the QApplication alone.

#include <QApplication>
#include <QtTest>

#if defined(__SANITIZE_ADDRESS__)
#define VORMA_TEST_LSAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VORMA_TEST_LSAN 1
#endif
#endif

#ifdef VORMA_TEST_LSAN
#include <sanitizer/lsan_interface.h>
#define VORMA_TEST_LSAN_DISABLE() __lsan_disable()
#define VORMA_TEST_LSAN_ENABLE() __lsan_enable()
#else
#define VORMA_TEST_LSAN_DISABLE()
#define VORMA_TEST_LSAN_ENABLE()
#endif

#define VORMA_GUI_TEST_MAIN(TestObject)                                                            \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        VORMA_TEST_LSAN_DISABLE();                                                                 \
        QApplication app(argc, argv);                                                              \
        VORMA_TEST_LSAN_ENABLE();                                                                  \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
