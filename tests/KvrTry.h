#pragma once

// Waits for a condition while the event loop runs, looking every 10 ms (QTest::qWaitFor). Qt's
// QTRY_ macros look every 50 ms once the first look failed, so a row of quick round trips, each of
// which is over in a few milliseconds, pays 50 ms for every one; these pay about 10. On failure they
// say what they waited for as QVERIFY and QCOMPARE do.

#include <QTest>

#define KVR_TRY_VERIFY_WITH_TIMEOUT(expr, timeout)                                                           \
    QVERIFY2(QTest::qWaitFor([&]() { return bool(expr); }, timeout),                                         \
             qPrintable(QStringLiteral("not true within %1 ms: %2").arg(timeout).arg(QLatin1String(#expr))))
#define KVR_TRY_VERIFY(expr) KVR_TRY_VERIFY_WITH_TIMEOUT(expr, 5000)

#define KVR_TRY_COMPARE_WITH_TIMEOUT(actual, expected, timeout)                                              \
    do {                                                                                                     \
        (void)QTest::qWaitFor([&]() { return (actual) == (expected); }, timeout);                            \
        QCOMPARE(actual, expected);                                                                          \
    } while (false)
#define KVR_TRY_COMPARE(actual, expected) KVR_TRY_COMPARE_WITH_TIMEOUT(actual, expected, 5000)
