#pragma once
// Runs a script in the preview's page and waits for its result, as text.

#include <gtest/gtest.h>

#include <QTest>
#include <QVariant>

#include "ui/PreviewPane.h"

namespace velmora::test {

inline QString RunInPreview(PreviewPane* pane, const QString& script) {
  QString result;
  bool done = false;
  pane->RunScript(script, [&](const QVariant& value) {
    result = value.toString();
    done = true;
  });
  EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 5000));
  return result;
}

}  // namespace velmora::test
