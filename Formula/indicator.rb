# Homebrew formula: `brew install --build-from-source ./Formula/indicator.rb` from a tap.
# A release sets url and sha256 to its tagged source archive.
class Indicator < Formula
  desc "Shows the Kestrelwick measurement service's reports in the menu bar"
  homepage "https://kestrelwick.invalid/indicator"
  url "https://kestrelwick.invalid/indicator/archive/refs/tags/v1.1.0.tar.gz"
  sha256 "0000000000000000000000000000000000000000000000000000000000000000"

  depends_on "cmake" => :build
  depends_on "simdjson"

  on_linux do
    depends_on "pkg-config" => :build
    depends_on "glib"
    depends_on "gtk+3"
    depends_on "libayatana-appindicator"
  end

  def install
    # Homebrew's own simdjson: a build here may not download anything.
    system "cmake", "-S", ".", "-B", "build", "-DINDICATOR_FETCH_SIMDJSON=OFF", "-DINDICATOR_TESTS=OFF", *std_cmake_args
    system "cmake", "--build", "build", "--target", "indicator", "indicator-check"
    system "cmake", "--install", "build"
  end

  test do
    # Without a graphical session the indicator says so, and still reads, renders and logs.
    log = pipe_output("#{bin}/indicator 2>&1", "{\"title\":\"42%\"}\n")
    assert_match "indicator: status item created", log
    assert_match(/^indicator: title=42% width=\d+\.\d+ sections=0$/, log)
    assert_match "1: ok  title \"42%\"", pipe_output("#{bin}/indicator-check", "{\"title\":\"42%\"}\n")
  end
end
