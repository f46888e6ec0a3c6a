#pragma once
// Hermetic test environment: every test runs with its own temporary XDG folders, data
// folder and HOME, so no test touches the real home folder or another test's files.

#include <QTemporaryDir>
#include <QString>

class TTestEnv {
public:
    // Creates the folders and sets XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_CACHE_HOME,
    // XDG_RUNTIME_DIR, HOME and TABVANE_DATA_DIR; unsets TABVANE_REGISTRY.
    TTestEnv();
    QString root() const { return m_dir.path(); }
    QString configHome() const;
    QString dataHome() const;
    QString runtimeDir() const;
    QString dataDir() const;       // the program's data folder (TABVANE_DATA_DIR)
    QString registryPath() const;  // the hive the program will use
    // Process environment for a child tabvane / tabvane-reg that shares this environment.
    QStringList childEnvironment() const;
    // Sets what the web engine needs before QApplication exists (shared GL contexts,
    // no sandbox when running as root).
    static void prepareWebEngine();
private:
    QTemporaryDir m_dir;
};

// The environment must exist before the application object, so tests use these mains.
#define TV_TEST_MAIN_CORE(TestObject)                                    \
    int main(int argc, char **argv)                                      \
    {                                                                    \
        TTestEnv env;                                                    \
        QCoreApplication app(argc, argv);                                \
        TestObject tc;                                                   \
        return QTest::qExec(&tc, argc, argv);                            \
    }

#define TV_TEST_MAIN_GUI(TestObject)                                     \
    int main(int argc, char **argv)                                      \
    {                                                                    \
        TTestEnv env;                                                    \
        TTestEnv::prepareWebEngine();                                    \
        QApplication app(argc, argv);                                    \
        TestObject tc;                                                   \
        return QTest::qExec(&tc, argc, argv);                            \
    }
