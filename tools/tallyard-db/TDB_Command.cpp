#include "TDB_Command.h"

#include "TDB_AddFileSystemCommand.h"
#include "TDB_AddUserCommand.h"
#include "TDB_CheckCommand.h"
#include "TDB_CommandLine.h"
#include "TDB_DemoCommand.h"
#include "TDB_InitCommand.h"
#include "TDB_StatusCommand.h"

std::unique_ptr<TDB_Command> TDB_Command::create(const TDB_Request &request)
{
    switch (request.command) {
    case TDB_Request::Init:
        return std::make_unique<TDB_InitCommand>(request.url, request.admin, request.fileSystem);
    case TDB_Request::AddUser:
        return std::make_unique<TDB_AddUserCommand>(request.url, request);
    case TDB_Request::AddFileSystem:
        return std::make_unique<TDB_AddFileSystemCommand>(request.url, request.fileSystem);
    case TDB_Request::Status:
        return std::make_unique<TDB_StatusCommand>(request.url);
    case TDB_Request::Demo:
        return std::make_unique<TDB_DemoCommand>(request.url, request.force);
    case TDB_Request::Check:
        return std::make_unique<TDB_CheckCommand>(request.url, request.repair);
    case TDB_Request::Help:
        break;
    }
    return nullptr;
}
