// A stand-in for the scene editor: appends its arguments, one line per run
// with the arguments separated by tabs, to the file named by
// FAKE_EDITOR_LOG, prints "done" as the real editor does, and exits with
// the status FAKE_EDITOR_EXIT names (0 without it).
#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (FILE *log = std::getenv("FAKE_EDITOR_LOG") ? std::fopen(std::getenv("FAKE_EDITOR_LOG"), "a") : nullptr) {
        for (int i = 1; i < argc; ++i)
            std::fprintf(log, i == 1 ? "%s" : "\t%s", argv[i]);
        std::fputc('\n', log);
        std::fclose(log);
    }
    std::puts("done");
    return std::getenv("FAKE_EDITOR_EXIT") ? std::atoi(std::getenv("FAKE_EDITOR_EXIT")) : 0;
}
