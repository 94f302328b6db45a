#include "platform/pathtext.h"

#include <gtest/gtest.h>

#include "platform/shellnamespace.h"

namespace zarn {
namespace {

TEST(PathTextTest, LastPathComponent) {
  EXPECT_EQ(LastPathComponent(QStringLiteral("/")), QStringLiteral("/"));
  EXPECT_EQ(LastPathComponent(QStringLiteral("/ab")), QStringLiteral("ab"));
  EXPECT_EQ(LastPathComponent(QStringLiteral("/home/user/")), QStringLiteral("user"));
  EXPECT_EQ(LastPathComponent(QStringLiteral("/home/user")), QStringLiteral("user"));
  EXPECT_EQ(LastPathComponent(QStringLiteral("/home/")), QStringLiteral("home"));
  EXPECT_EQ(LastPathComponent(QStringLiteral("nothing")), QString());
  EXPECT_EQ(LastPathComponent(ComputerParsingName), QString());
}

TEST(PathTextTest, WithTrailingSlashEndsWithOneSlash) {
  EXPECT_EQ(WithTrailingSlash(QStringLiteral("/")), QStringLiteral("/"));
  EXPECT_EQ(WithTrailingSlash(QStringLiteral("/home")), QStringLiteral("/home/"));
  EXPECT_EQ(WithTrailingSlash(ComputerParsingName), ComputerParsingName);
  EXPECT_EQ(WithTrailingSlash(QString()), QString());
}

TEST(PathTextTest, WithoutTrailingSlashKeepsTheRoot) {
  EXPECT_EQ(WithoutTrailingSlash(QStringLiteral("/a/b//")), QStringLiteral("/a/b"));
  EXPECT_EQ(WithoutTrailingSlash(QStringLiteral("/")), QStringLiteral("/"));
  EXPECT_EQ(WithoutTrailingSlash(QStringLiteral("//")), QStringLiteral("/"));
  EXPECT_EQ(WithoutTrailingSlash(QStringLiteral("/a")), QStringLiteral("/a"));
}

}  // namespace
}  // namespace zarn
