#include "TDB_Command.h"
#include "TDB_CommandLine.h"

#include <QCoreApplication>
#include <QTextStream>

// Exit status: 0 done, 1 the command failed, 2 the command line was refused.
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tallyard-db"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    QString error;
    const std::optional<TDB_Request> request = TDB_CommandLine::parse(QCoreApplication::arguments(), error);
    if (!request) {
        err << "tallyard-db: " << error << '\n';
        return 2;
    }
    const std::unique_ptr<TDB_Command> command = TDB_Command::create(*request);
    if (!command) {
        out << TDB_CommandLine::usage();
        return 0;
    }
    if (!command->run(out, error)) {
        out.flush();
        err << "tallyard-db: " << error << '\n';
        return 1;
    }
    return 0;
}
