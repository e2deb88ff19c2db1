# Homebrew formula: `brew install --build-from-source local/indicator/indicator` from a tap.
# Until a release is published, url and sha256 are placeholders: point a copy of the formula
# at a source archive of a checkout (`git archive`), as .github/workflows/macos.yml does.
# A release sets both to its tagged source archive.
class Indicator < Formula
  desc "Shows the Kestrelwick measurement service's reports in the menu bar"
  homepage "https://kestrelwick.invalid/indicator"
  url "https://kestrelwick.invalid/indicator/archive/refs/tags/v1.1.0.tar.gz"
  sha256 "0000000000000000000000000000000000000000000000000000000000000000"
  license "MIT"

  depends_on "cmake" => :build
  depends_on "simdjson"

  on_linux do
    depends_on "pkgconf" => :build
    depends_on "glib"
    depends_on "gtk+3"
    depends_on "libayatana-appindicator"
  end

  # The script's formula settings (Homebrew's own simdjson, the C library's malloc) are the
  # ones the project's Linux check runs with Homebrew's arguments, so the two cannot drift.
  def install
    system "scripts/build-and-install.sh", "formula", "build", *std_cmake_args
  end

  test do
    # The indicator reads, renders and logs, then ends with its input: in Homebrew's test
    # sandbox without a window server it says so and goes on headless; on a desktop Mac its
    # status item shows for the moment it runs.
    log = pipe_output("#{bin}/indicator 2>&1", "{\"title\":\"42%\"}\n")
    assert_match "indicator: status item created", log
    assert_match(/^indicator: title=42% width=\d+\.\d+ sections=0$/, log)
    assert_match "1: ok  title \"42%\"", pipe_output("#{bin}/indicator-check", "{\"title\":\"42%\"}\n")
  end
end
