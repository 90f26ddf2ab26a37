// A stand-in for the scene editor: appends its arguments, one line per run
// with the arguments separated by tabs, to the file named by
// FAKE_EDITOR_LOG, prints "done" as the real editor does, and exits.
// FAKE_EDITOR_CRASH makes it die from a signal instead.
#include <cstdio>
#include <cstdlib>
#include <signal.h>

int main(int argc, char **argv)
{
    if (const char *path = std::getenv("FAKE_EDITOR_LOG")) {
        if (FILE *log = std::fopen(path, "a")) {
            for (int i = 1; i < argc; ++i)
                std::fprintf(log, i == 1 ? "%s" : "\t%s", argv[i]);
            std::fputc('\n', log);
            std::fclose(log);
        }
    }
    std::puts("scene loaded");
    std::puts("done");
    std::fflush(stdout);
    if (std::getenv("FAKE_EDITOR_CRASH"))
        raise(SIGKILL);
    return 0;
}
