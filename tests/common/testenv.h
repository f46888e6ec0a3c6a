#pragma once
// Hermetic test environment: every test runs with its own temporary XDG folders, data
// folder and HOME, so no test touches the real home folder or another test's files.

#include <QByteArray>
#include <QTemporaryDir>
#include <QString>

class TTestEnv {
public:
    // Creates the folders and sets XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_CACHE_HOME,
    // XDG_RUNTIME_DIR, HOME and TABVANE_DATA_DIR; unsets TABVANE_REGISTRY. Switches off
    // the default-browser question and the version check and points the maker's hosts at
    // a closed local port (TABVANE_ASK_DEFAULT_BROWSER, TABVANE_VERSION_CHECK,
    // TABVANE_MAKER_HOST, TABVANE_ADDON_MAKER_HOST).
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

// Sets (or with a null value unsets) an environment variable for one scope and puts the
// old value back.
class TEnvOverride {
public:
    TEnvOverride(const char *name, const QByteArray &value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name))
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~TEnvOverride()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }
    TEnvOverride(const TEnvOverride &) = delete;
    TEnvOverride &operator=(const TEnvOverride &) = delete;

private:
    const char *m_name;
    bool m_had;
    QByteArray m_old;
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
