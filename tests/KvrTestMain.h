#pragma once

// The main of a suite that ctest runs in shards (kvr_add_test ... SHARDS n): shard i of n (from
// KVR_TEST_SHARD="i/n", i counted from 1) runs every n-th test function from the i-th on, in
// declaration order, each with all its data rows; initTestCase and cleanupTestCase run in every
// shard. A function added later falls into some shard by itself, so no list can miss one. The
// shard's function names follow the command line's own arguments. Without the variable the suite
// runs as under QTEST_MAIN.
//
//     KVR_TEST_MAIN(TestUpgrader)          // instead of QTEST_MAIN
//     KVR_TEST_GUILESS_MAIN(TestSomething) // instead of QTEST_GUILESS_MAIN

#include <QByteArray>
#include <QMetaMethod>
#include <QtTest>

#include <vector>

namespace kvrtestmain {

// The test functions as Qt Test finds them: private slots without arguments, other than the
// _data functions and the four fixtures.
inline QList<QByteArray> testFunctions(const QMetaObject *metaObject)
{
    QList<QByteArray> names;
    for (int i = 0; i < metaObject->methodCount(); ++i) {
        const QMetaMethod method = metaObject->method(i);
        if (method.methodType() != QMetaMethod::Slot || method.access() != QMetaMethod::Private ||
            method.parameterCount() != 0 || method.returnMetaType() != QMetaType::fromType<void>())
            continue;
        const QByteArray name = method.name();
        if (name.endsWith("_data") || name == "initTestCase" || name == "cleanupTestCase" || name == "init" ||
            name == "cleanup")
            continue;
        names << name;
    }
    return names;
}

inline int exec(QObject *test, int argc, char **argv)
{
    const QByteArray shard = qgetenv("KVR_TEST_SHARD");
    if (shard.isEmpty())
        return QTest::qExec(test, argc, argv);
    bool indexOk = false;
    bool countOk = false;
    const int index = shard.split('/').value(0).toInt(&indexOk);
    const int count = shard.split('/').value(1).toInt(&countOk);
    if (!indexOk || !countOk || count < 1 || index < 1 || index > count)
        qFatal("KVR_TEST_SHARD must be i/n with 1 <= i <= n, not \"%s\"", shard.constData());
    QList<QByteArray> mine;
    const QList<QByteArray> all = testFunctions(test->metaObject());
    for (qsizetype i = index - 1; i < all.size(); i += count)
        mine << all.at(i);
    if (mine.isEmpty()) {
        qInfo("shard %s: no test function falls into it", shard.constData());
        return 0;
    }
    std::vector<char *> arguments(argv, argv + argc);
    for (QByteArray &name : mine)
        arguments.push_back(name.data());
    return QTest::qExec(test, int(arguments.size()), arguments.data());
}

} // namespace kvrtestmain

#define KVR_TEST_MAIN_WRAPPER(TestObject, ...)                                                               \
    int main(int argc, char *argv[])                                                                         \
    {                                                                                                        \
        QT_PREPEND_NAMESPACE(QTest::Internal::callInitMain)<TestObject>();                                   \
        __VA_ARGS__                                                                                          \
        TestObject tc;                                                                                       \
        QTEST_SET_MAIN_SOURCE_PATH                                                                           \
        return kvrtestmain::exec(&tc, argc, argv);                                                           \
    }
#define KVR_TEST_MAIN(TestObject) KVR_TEST_MAIN_WRAPPER(TestObject, QTEST_MAIN_SETUP())
#define KVR_TEST_GUILESS_MAIN(TestObject)                                                                    \
    KVR_TEST_MAIN_WRAPPER(TestObject, QTEST_QAPP_SETUP(QCoreApplication))
