// A stand-in for the system's partition tool, for tests under Wine (which has none). It answers the two
// requests the partition probe makes, with the Chinese wording and column headers of the real tool:
//   "list disk" read from standard input        -> the disk table
//   /s FILE holding "select disk=N", "list partition" -> the partition table of disk N
// The machine it describes comes from the environment:
//   QG_DISKPART_DISKS       number of disks (default 1)
//   QG_DISKPART_PARTITIONS  partition rows of every disk, the extended partition included (default 2)
//   QG_DISKPART_LANGUAGE    "en" for the English wording
//   QG_DISKPART_WAIT_FOR    a file: the tool answers only once it exists (a slow disk, for the tests)
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
int env_number(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::atoi(v) : fallback;
}
bool english() {
    const char* v = std::getenv("QG_DISKPART_LANGUAGE");
    return v && std::strcmp(v, "en") == 0;
}

void banner() {
    std::printf("\r\nMicrosoft DiskPart %s 5.1.3565\r\n\r\nCopyright (C) 1999-2003 Microsoft Corporation.\r\n%s: QGTEST\r\n\r\n",
                english() ? "version" : "版本", english() ? "On computer" : "在计算机上");
}

void list_disks() {
    const char* word = english() ? "Disk" : "磁盘";
    std::printf("  %s ###  %s       %s     %s     Dyn  Gpt\r\n", word, english() ? "Status" : "状态",
                english() ? "Size" : "大小", english() ? "Free" : "可用");
    std::printf("  --------  ----------  -------  -------  ---  ---\r\n");
    for (int d = 0; d < env_number("QG_DISKPART_DISKS", 1); ++d)
        std::printf("  %s %d    %s          75 GB      0 B\r\n", word, d, english() ? "Online" : "联机");
}

void list_partitions(int disk) {
    const char* word = english() ? "Partition" : "分区";
    std::printf("\r\n%s %d %s\r\n\r\n", english() ? "Disk" : "磁盘", disk, english() ? "is now the selected disk." : "现在是所选磁盘。");
    std::printf("  %s ###       %s              %s     %s\r\n", word, english() ? "Type" : "类型",
                english() ? "Size" : "大小", english() ? "Offset" : "偏移量");
    std::printf("  -------------  ----------------  -------  -------\r\n");
    int rows = env_number("QG_DISKPART_PARTITIONS", 2);
    for (int p = 1; p <= rows; ++p) {
        const char* kind = p == 1 ? (english() ? "Primary" : "主要") : p == 2 ? (english() ? "Extended" : "扩展")
                                                                       : (english() ? "Logical" : "逻辑");
        std::printf("  %s %d    %-16s  %5d GB  %5d GB\r\n", word, p, kind, 10, 10 * (p - 1));
    }
}

void run_script(const char* path) {
    FILE* f = std::fopen(path, "rb");
    if (!f) {
        std::printf("%s\r\n", english() ? "The system cannot find the file specified." : "系统找不到指定的文件。");
        return;
    }
    banner();
    char line[512];
    int disk = -1;
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, "select disk=", 12) == 0) disk = std::atoi(line + 12);
        else if (std::strncmp(line, "list partition", 14) == 0 && disk >= 0) list_partitions(disk);
    }
    std::fclose(f);
    std::printf("\r\n%s\r\n", english() ? "Leaving DiskPart..." : "退出 DiskPart...");
}
}  // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);  // the tool writes CR LF itself
    if (const char* wait_for = std::getenv("QG_DISKPART_WAIT_FOR"))
        while (*wait_for && GetFileAttributesA(wait_for) == INVALID_FILE_ATTRIBUTES) Sleep(50);
    if (argc >= 3 && (std::strcmp(argv[1], "/s") == 0 || std::strcmp(argv[1], "/S") == 0)) {
        run_script(argv[2]);
        return 0;
    }
    banner();
    char line[512];
    while (std::fgets(line, sizeof line, stdin)) {
        std::printf("DISKPART> ");
        if (std::strncmp(line, "list disk", 9) == 0) list_disks();
        else if (std::strncmp(line, "exit", 4) == 0) break;
    }
    std::printf("\r\nDISKPART> \r\n");
    return 0;
}
