// The files of the boot set on C: and the boot menus, as the boot menu's tests and the end-to-end tests check
// them: the menu of an XP machine and what a run makes of it.
#pragma once

#include <string>

constexpr char kIni[] = "C:\\boot.ini";
constexpr char kBak[] = "C:\\boot.bak";
constexpr char kGrldr[] = "C:\\grldr";
constexpr char kBat[] = "C:\\ghost.bat";
constexpr char kExe[] = "C:\\ghost.exe";
constexpr char kImg[] = "C:\\Qelo.img";
// Where another program's files of those names are kept aside.
constexpr char kGrldrSaved[] = "C:\\grldr.bak";
constexpr char kBatSaved[] = "C:\\ghostbat.bak";
constexpr char kExeSaved[] = "C:\\ghostexe.bak";

inline const std::string kOldHeader =
    "[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n";
inline const std::string kXpLine =
    "multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"Microsoft Windows XP Professional\" /fastdetect";
inline const std::string kFiveLines = kOldHeader + "[operating systems]\r\n" + kXpLine + "\r\n";
// The first lines a run writes, and the entry it adds at the end of [operating systems].
inline const std::string kHeader = "[boot loader]\r\ntimeout=2\r\ndefault=C:\\grldr\r\n";
inline const std::string kEntry = "C:\\grldr=Drelvok";
inline const std::string kRewrittenFiveLines = kHeader + "[operating systems]\r\n" + kXpLine + "\r\n\r\n" + kEntry;
