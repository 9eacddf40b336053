// Keeps the test support library non-empty when no helper file is present yet.
namespace orvane_test { int support_anchor = 0; }
