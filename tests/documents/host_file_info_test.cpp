#include "documents/host_file_info.h"

#include <gtest/gtest.h>
#include <sys/time.h>

#include <fstream>

#include "support/temp_dir.h"

namespace vandrel {
namespace {

HostFileInfo Previous() {
  HostFileInfo info;
  info.name = "PROG1";
  info.size = 1;
  info.accessTime = 2;
  info.modifyTime = 3;
  info.createTime = 4;
  info.permissions = "old";
  info.further = 5;
  info.owner = "OLD.OWNER";
  info.group = "OLDGRP";
  info.fileCode = 6;
  info.flags = 7;
  return info;
}

TEST(ParseFileInfoReply, ReadsEveryFieldWithFlagsBeforeFileCode) {
  HostFileInfo info = Previous();
  ASSERT_TRUE(ParseFileInfoReply(
      "0 8192 1700000000 1700000100 1600000000 rwxr-x--- 3 MGR.DEV DEV 2 111", info));
  EXPECT_EQ(info.name, "PROG1");  // the name is the caller's
  EXPECT_EQ(info.size, 8192);
  EXPECT_EQ(info.accessTime, 1700000000);
  EXPECT_EQ(info.modifyTime, 1700000100);
  EXPECT_EQ(info.createTime, 1600000000);
  EXPECT_EQ(info.permissions, "rwxr-x---");
  EXPECT_EQ(info.further, 3);
  EXPECT_EQ(info.owner, "MGR.DEV");
  EXPECT_EQ(info.group, "DEV");
  EXPECT_EQ(info.flags, kFileInfoCannotLock);
  EXPECT_EQ(info.fileCode, 111);
}

TEST(ParseFileInfoReply, NineItemsSuffice) {
  HostFileInfo info = Previous();
  ASSERT_TRUE(ParseFileInfoReply("0 10 1 2 3 rw 0 ME GRP", info));
  EXPECT_EQ(info.group, "GRP");
  EXPECT_EQ(info.flags, 0);  // not reported: not kept from the previous file
  EXPECT_EQ(info.fileCode, 0);
  ASSERT_TRUE(ParseFileInfoReply("0 10 1 2 3 rw 0 ME GRP 2", info));
  EXPECT_EQ(info.flags, 2);
  EXPECT_EQ(info.fileCode, 0);
}

TEST(ParseFileInfoReply, FailureLeavesTheRecordUntouched) {
  const HostFileInfo previous = Previous();
  for (const char* reply : {
           "",
           "5 10 1 2 3 rw 0 ME GRP 0 0",  // non-zero status
           "-1 10 1 2 3 rw 0 ME GRP 0 0",
           "0 10 1 2 3 rw 0 ME",          // eight items
           "0 10 1 x 3 rw 0 ME GRP 0 0",  // a number that is none
           "0 10 1 2 3 rw abc ME GRP",
           "error",
       }) {
    HostFileInfo info = previous;
    EXPECT_FALSE(ParseFileInfoReply(reply, info)) << reply;
    EXPECT_EQ(info, previous) << reply;
  }
}

TEST(ParseFileInfoReply, BoundsTextsAndNumbers) {
  HostFileInfo info = Previous();
  const std::string permissions(40, 'r');
  ASSERT_TRUE(ParseFileInfoReply(
      "0 99999999999 -5 +6 7 " + permissions + " 1 " + std::string(50, 'O') + " G 0 1030", info));
  EXPECT_EQ(info.size, 2147483647);  // saturated
  EXPECT_EQ(info.accessTime, -5);
  EXPECT_EQ(info.modifyTime, 6);
  EXPECT_EQ(info.permissions, std::string(31, 'r'));  // the rest does not shift the fields
  EXPECT_EQ(info.owner, std::string(31, 'O'));
  EXPECT_EQ(info.group, "G");
  EXPECT_EQ(info.fileCode, 1030);
}

TEST(FormatHostTime, ShortDateAndTimeInUtc) {
  EXPECT_EQ(FormatHostTime(0), "Not available");
  EXPECT_EQ(FormatHostTime(1700000000), "2023-11-14 22:13");
  EXPECT_EQ(FormatHostTime(86399), "1970-01-01 23:59");
  EXPECT_EQ(FormatHostTime(-60), "1969-12-31 23:59");
}

TEST(ReadLocalFileTimes, TakesTheFileTimes) {
  testing::TempDir dir;
  const std::string path = (dir / "a.cob").string();
  std::ofstream(path) << "text";
  const timeval times[2] = {{1600000000, 0}, {1700000000, 0}};
  ASSERT_EQ(utimes(path.c_str(), times), 0);
  HostFileInfo info;
  ASSERT_TRUE(ReadLocalFileTimes(path, info));
  EXPECT_EQ(info.accessTime, 1600000000);
  EXPECT_EQ(info.modifyTime, 1700000000);
  EXPECT_GT(info.createTime, 0);

  HostFileInfo untouched = Previous();
  EXPECT_FALSE(ReadLocalFileTimes((dir / "missing").string(), untouched));
  EXPECT_EQ(untouched, Previous());
}

}  // namespace
}  // namespace vandrel
