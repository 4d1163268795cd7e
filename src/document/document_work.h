#pragma once

namespace stippon {

// The recomputation a document owes after changes made while it defers its work: each change
// adds what it needs, and a run does the union once, for the last values. A new grid implies
// new borders, and any new image below the dots implies new dots.
class _document_work {
 public:
  bool empty() const { return stages == 0; }
  // The halftone grid at target width w (pixels at 300 ppi): everything is made again.
  void add_grid(float w) {
    stages |= grid | stipple;
    grid_width = w;
  }
  // The grid again at its own width, for new levels, gamma or matching.
  void add_tones() { stages |= tones | stipple; }
  void add_borders() { stages |= borders | stipple; }
  void add_stipple() { stages |= stipple; }
  // The colour field in the current ink, and the colour-stippled picture when it exists.
  void add_ink() { stages |= ink; }
  // Changes made since a run started, or a superseded run's work put back.
  void add(const _document_work& other);

  bool regrids() const { return (stages & grid) != 0; }
  // Either way the halftone grid is made again from the photograph.
  bool remakes_grid() const { return (stages & (grid | tones)) != 0; }
  // A new grid at the current width: levels, gamma or matching changed.
  bool retones() const { return (stages & tones) != 0; }
  bool reborders() const { return (stages & borders) != 0; }
  bool restipples() const { return (stages & stipple) != 0; }
  bool reinks() const { return (stages & ink) != 0; }
  float width() const { return grid_width; }

 private:
  enum : unsigned { grid = 1, tones = 2, borders = 4, stipple = 8, ink = 16 };
  unsigned stages = 0;
  float grid_width = 0.0f;
};

}  // namespace stippon
