// A seam of the program (a function, or a table of functions, that a function
// returns by reference, such as accelerationStarter() or icmpFunctions())
// replaced for the life of the object: the original comes back at its end.
#pragma once

#include <utility>

namespace kestro::test {

template <typename Seam>
class ScopedSeam {
 public:
  // Keeps the seam as it is, for a test that replaces single members of it.
  explicit ScopedSeam(Seam& seam) : seam_(seam), original_(seam) {}
  template <typename Replacement>
  ScopedSeam(Seam& seam, Replacement&& replacement) : ScopedSeam(seam) {
    seam_ = std::forward<Replacement>(replacement);
  }
  ~ScopedSeam() { seam_ = std::move(original_); }
  ScopedSeam(const ScopedSeam&) = delete;
  ScopedSeam& operator=(const ScopedSeam&) = delete;

  // The seam in use, to replace members of a table.
  Seam* operator->() { return &seam_; }
  // What was in place before, for a replacement that hands some calls on.
  const Seam& original() const { return original_; }

 private:
  Seam& seam_;
  Seam original_;
};

template <typename Seam, typename Replacement>
ScopedSeam(Seam&, Replacement&&) -> ScopedSeam<Seam>;

}  // namespace kestro::test
