// The matrix display fed from data threads while the user-interface thread paints, resizes and
// destroys it.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "dialworks/matrix/DWMatrixDisplay.h"
#include "dialworks/matrix/DWTextMatrixLayer.h"
#include "dialworks/panel/DWGlassPanel.h"
#include "support/InstrumentTest.h"

using namespace dw;

TEST(MatrixDisplayThreads, PinsWriteWhilePaintingResizingAndDestroying) {
  dwtest::TScopedHost host;
  for (int round = 0; round < 3; ++round) {
    auto m = std::make_unique<TDWMatrixDisplay>();
    m->SetBounds(0, 0, 161, 101);
    auto& text = m->Layers().Add<TDWTextMatrixLayer>();
    text.SetText("12:34");
    auto& inner = m->Layers().Add<TDWExternalMatrixDisplayMatrixLayer>();
    TPXIntegerSourcePin row, col, red, alpha, innerRow, innerGreen;
    ASSERT_TRUE(row.Connect(m->RowInputPin()));
    ASSERT_TRUE(col.Connect(m->ColInputPin()));
    ASSERT_TRUE(red.Connect(*m->InputPins().Find("Red")));
    ASSERT_TRUE(alpha.Connect(*m->InputPins().Find("Alpha")));
    ASSERT_TRUE(innerRow.Connect(inner.RowInputPin()));
    ASSERT_TRUE(innerGreen.Connect(*inner.InputPins().Find("Green")));
    std::atomic<bool> stop{false};
    std::vector<std::thread> writers;
    for (int t = 0; t < 2; ++t)
      writers.emplace_back([&, t] {
        for (int i = 0; !stop && i < 400000; ++i) {
          row.SendValue(i % 70);
          col.SendValue((i * 7 + t) % 90);
          (t ? red : alpha).SendValue(i);
          innerRow.SendValue(i % 30);
          innerGreen.SendValue(i);
        }
      });
    for (int frame = 0; frame < 12; ++frame) {
      dwtest::RenderControl(*m);
      m->SetRows(frame % 2 ? 50 : 37);
      m->SetCols(frame % 3 ? 80 : 61);
      inner.SetCols(frame % 2 ? 20 : 9);
      m->SetBounds(0, 0, 161 + frame, 101 + frame);
      m->ReleaseCaches();
      (void)m->GetDisplayPixel(frame, frame);
    }
    m.reset();  // while the writers still send
    stop = true;
    for (auto& w : writers) w.join();
  }
}

TEST(MatrixDisplayThreads, ElementPinsWriteWhileTheHostPaintsAndDropsIt) {
  dwtest::TScopedHost host;
  for (int round = 0; round < 4; ++round) {
    auto panel = std::make_unique<TDWGlassPanel>();
    panel->SetBounds(0, 0, 200, 120);
    auto& e = panel->Elements().Add<TDWExternalMatrixDisplayElement>();
    TPXIntegerSourcePin row, blue;
    ASSERT_TRUE(row.Connect(e.RowInputPin()));
    ASSERT_TRUE(blue.Connect(*e.InputPins().Find("Blue")));
    std::atomic<bool> stop{false};
    std::thread writer([&] {
      for (int i = 0; !stop && i < 400000; ++i) {
        row.SendValue(i % 50);
        blue.SendValue(i);
      }
    });
    for (int frame = 0; frame < 6; ++frame) {
      dwtest::RenderControl(*panel);
      e.SetRows(frame % 2 ? 50 : 20);
    }
    if (round % 2) panel->Elements().Delete(0);  // the element alone, then the whole host
    panel.reset();
    stop = true;
    writer.join();
  }
}
