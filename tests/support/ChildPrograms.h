#pragma once
// Programs of the shared-folder tests run at once as child processes: the
// helper beside the test program, started, and waited for.

#include <QCoreApplication>
#include <QProcess>
#include <QString>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace classdiv::testing {

// A helper program beside this test program (under Wine too, where argv[0] may be a Unix path).
inline QString helperPath(const QString& name)
{
    int argc = 1;
    std::string arg0 = ::testing::internal::GetArgvs().front();
    char* argv[] = {arg0.data(), nullptr};
    const QString folder = QCoreApplication(argc, argv).applicationDirPath();
#ifdef Q_OS_WIN
    return folder + u'/' + name + QStringLiteral(".exe");
#else
    return folder + u'/' + name;
#endif
}

struct Child {
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
    QByteArray out;
    QByteArray err;
};

inline void start(Child& child, const QString& helper, const QStringList& args)
{
    child.process->start(helper, args);
    ASSERT_TRUE(child.process->waitForStarted(30000)) << helper.toStdString();
}

// Waits for every child to end; each must end well.
inline void finishAll(std::vector<Child>& children)
{
    for (Child& c : children) {
        ASSERT_TRUE(c.process->waitForFinished(600000));
        c.out += c.process->readAllStandardOutput();
        c.err += c.process->readAllStandardError();
        EXPECT_EQ(c.process->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(c.process->exitCode(), 0) << c.err.toStdString();
    }
}

// Reads a child's output until it has said `word`.
inline void waitForWord(Child& child, const QByteArray& word)
{
    while (!child.out.contains(word)) {
        ASSERT_TRUE(child.process->waitForReadyRead(120000)) << child.err.toStdString();
        child.out += child.process->readAllStandardOutput();
    }
}

} // namespace classdiv::testing
