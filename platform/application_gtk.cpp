// The Linux desktop: the status item is an AppIndicator (a StatusNotifierItem, or an
// XEmbed tray icon where no watcher runs) and the menu a GtkMenu whose rows are drawn
// with Pango. Built as a module that the indicator loads only when a display is there.
#include <glib/gstdio.h>
#include <gtk/gtk.h>
#include <libayatana-appindicator/app-indicator.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <unordered_map>
#include <string>
#include <utility>
#include <vector>

#include "platform/desktop_module.h"
#include "platform/glib_loop.h"
#include "platform/pango_markup.h"
#include "platform/platform.h"
#include "platform/workspace.h"
#include "render/render.h"

namespace platform {
namespace {

// Reports can arrive by the thousand per second; the panel and the exported menu are
// brought up to date with the newest at most this often, so no frame is drawn for
// reports nobody could see.
constexpr guint refreshIntervalMs = 40;

// GLib, Pango and Cairo objects, each freed by its own function when its owner goes.
template <auto release>
struct ReleaseWith {
  template <class T>
  void operator()(T* object) const {
    release(object);
  }
};
template <class T>
using GObjectPtr = std::unique_ptr<T, ReleaseWith<g_object_unref>>;
using CairoSurfacePtr = std::unique_ptr<cairo_surface_t, ReleaseWith<cairo_surface_destroy>>;
using CairoPtr = std::unique_ptr<cairo_t, ReleaseWith<cairo_destroy>>;
using FontDescriptionPtr = std::unique_ptr<PangoFontDescription, ReleaseWith<pango_font_description_free>>;
using AttrListPtr = std::unique_ptr<PangoAttrList, ReleaseWith<pango_attr_list_unref>>;
using GCharPtr = std::unique_ptr<gchar, ReleaseWith<g_free>>;
// The title is drawn into the icon at twice its size in the panel, for HiDPI panels.
constexpr double iconScale = 2.0;
constexpr double badgeMargin = 2.0;
// A square icon shows a few words at most.
constexpr size_t maxIconCodePoints = 48;

class TrayApplication;

struct Look {
  Appearance appearance = Appearance::light;
  FontFamilies families;
};

class TrayMenu final : public Menu {
 public:
  explicit TrayMenu(TrayApplication& app);
  ~TrayMenu() override;
  TrayMenu(const TrayMenu&) = delete;
  TrayMenu& operator=(const TrayMenu&) = delete;

  // GTK never enables items by itself: each keeps the state it is given.
  void setAutoenablesItems(bool) override {}
  void removeAllItems() override;
  void addItem(const MenuItem& item, MenuTarget& target) override;

  // What the panel's host draws: plain text in its own font, each row's bar as an image.
  [[nodiscard]] GtkMenu* exportedWidget() const { return exported_; }
  // Rebuilds the widgets from the items, if they changed or the look did.
  void refresh(const Look& look, bool lookChanged);
  // Pops up at the pointer and returns once the menu has gone again.
  void popUpAndWait();
  void popDown() { if (choice_.isOpen()) gtk_menu_popdown(menu_); }

 private:
  struct Entry {
    KeptMenuItem kept;  // shown at the next refresh, after the report has gone
    MenuTarget* target;
  };
  static void activated(GtkMenuItem* widget, TrayMenu* self);
  GtkWidget* makeWidget(const Entry& entry, const Look& look);
  GtkWidget* makeExportedWidget(const Entry& entry, const Look& look);
  void connect(GtkWidget* widget, const MenuItem& item, size_t index);

  TrayApplication& app_;
  GtkMenu* const menu_;      // drawn by GTK: the self-test's, styled
  GtkMenu* const exported_;  // drawn by the host
  GtkAccelGroup* const accelerators_;
  std::vector<Entry> entries_;  // what the next refresh shows
  std::vector<Entry> shown_;    // what the widgets show; activations index into it
  bool changed_ = false;
  MenuChoice choice_;
};

class TrayStatusButton final : public StatusButton {
 public:
  explicit TrayStatusButton(TrayApplication& app) : app_(app) {}

  void setAttributedTitle(StyledText title) override;
  void setImagePosition(ImagePosition) override {}  // the title is all there is
  void setToolTip(const std::string& toolTip) override;
  [[nodiscard]] double frameWidth() const override;
  void performClick() override { if (menu_ != nullptr) menu_->popUpAndWait(); }

 private:
  friend class TrayStatusItem;
  TrayApplication& app_;
  AppIndicator* indicator_ = nullptr;
  TrayMenu* menu_ = nullptr;
  // The title as the panel shows it, kept past the report it came from.
  struct Title {
    std::string text;  // cut as panels show it
    double size = render::statusFont.size;
    Color color;
  };
  Title title_;
  std::string toolTip_;
  mutable std::optional<double> width_;  // of title_, measured when first asked
  // Widths of recent titles: reports in a burst repeat a few titles, and laying one out
  // is the costliest step of a report on the desktop. Cleared when the look changes.
  mutable std::unordered_map<std::string, double> widths_;
};

class TrayStatusItem final : public StatusItem {
 public:
  explicit TrayStatusItem(TrayApplication& app);
  ~TrayStatusItem() override;
  TrayStatusItem(const TrayStatusItem&) = delete;
  TrayStatusItem& operator=(const TrayStatusItem&) = delete;

  [[nodiscard]] StatusButton* button() override { return &button_; }
  void setMenu(Menu& menu) override;
  // Redraws the label and icon, if the title changed or the look did.
  void refresh(const Look& look, bool lookChanged);
  // Hides the item and removes its icon files: at the end, however the end comes.
  void takeDown();

 private:
  [[nodiscard]] CairoSurfacePtr drawTitle(const std::string& text, const Look& look) const;
  void publishIcon(cairo_surface_t* icon, const std::string& text);

  TrayApplication& app_;
  AppIndicator* const indicator_;
  std::optional<std::string> shownText_;
  TrayStatusButton button_;
  std::string iconDirectory_;
  std::vector<std::string> icons_;  // the newest last; the one before stays for hosts still loading it
  unsigned iconSerial_ = 0;
  const bool hostShowsLabel_;
};

class TrayApplication final : public Application {
 public:
  TrayApplication();

  void setDelegate(ApplicationDelegate* delegate) override { delegate_ = delegate; }
  void setActivationPolicy(ActivationPolicy) override {}  // a tray item has no window or dock entry
  void run() override;
  void terminate() override;
  // A popped-up menu takes the pointer and keyboard itself.
  void activateIgnoringOtherApps() override {}
  [[nodiscard]] std::unique_ptr<StatusItem> statusItemWithLength(double) override;
  [[nodiscard]] std::unique_ptr<Menu> makeMenu() override;
  void openURL(const URL& url) override { workspace::openURL(url.string()); }
  [[nodiscard]] std::shared_ptr<MainQueue> mainQueue() override { return loop_.mainQueue(); }
  [[nodiscard]] BackgroundQueue& utilityQueue() override { return loop_.utilityQueue(); }

  void scheduleRefresh();
  void refreshNow();
  void forget(TrayStatusItem* item) { if (item_ == item) item_ = nullptr; }
  void forget(TrayMenu* menu) { if (menu_ == menu) menu_ = nullptr; }
  [[nodiscard]] const Look& look() const { return look_; }
  // Measures in points: at 72 dots per inch a point is a pixel. Made once, as every
  // report's title is measured.
  [[nodiscard]] PangoContext* pointsContext() const { return pointsContext_; }

 protected:
  [[nodiscard]] bool acceptsURL(const std::string& text) const override { return workspace::acceptsURL(text); }

 private:
  static void lookChanged(GObject*, GParamSpec*, TrayApplication* self);
  void readLook();

  GlibLoop loop_;  // GTK's own: the default context
  ApplicationDelegate* delegate_ = nullptr;
  TrayStatusItem* item_ = nullptr;
  TrayMenu* menu_ = nullptr;
  Look look_;
  PangoContext* const pointsContext_;
  bool lookChanged_ = false;
  guint refreshSource_ = 0;
  gint64 lastRefresh_ = 0;  // monotonic microseconds
};

// --- menu -------------------------------------------------------------------

TrayMenu::TrayMenu(TrayApplication& app)
    : app_(app),
      menu_(GTK_MENU(g_object_ref_sink(gtk_menu_new()))),
      exported_(GTK_MENU(g_object_ref_sink(gtk_menu_new()))),
      accelerators_(gtk_accel_group_new()) {
  gtk_menu_set_accel_group(menu_, accelerators_);
  g_object_unref(accelerators_);  // the menu holds it
}

TrayMenu::~TrayMenu() {
  app_.forget(this);
  for (GtkMenu* menu : {menu_, exported_}) {
    gtk_widget_destroy(GTK_WIDGET(menu));
    g_object_unref(menu);
  }
}

void TrayMenu::removeAllItems() {
  entries_.clear();
  changed_ = true;
  app_.scheduleRefresh();
}

void TrayMenu::addItem(const MenuItem& item, MenuTarget& target) {
  entries_.push_back({KeptMenuItem(item), &target});
  changed_ = true;
  app_.scheduleRefresh();
}

namespace {

[[nodiscard]] bool isRow(const MenuItem& item) {
  return item.attributedTitle && item.attributedTitle->size() > render::rowValueRun;
}

[[nodiscard]] std::string_view trimmedSpaces(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// A row in the host's proportional font: its value first, beside the bar, then label and
// detail. The spaces a producer pads fields with to line them up in a fixed-width font
// would only push them out of line here.
[[nodiscard]] std::string exportedRowText(const StyledText& runs) {
  std::string text;
  for (size_t run : {render::rowValueRun, render::rowLabelRun, render::rowDetailRun}) {
    if (run >= runs.size()) continue;
    const std::string_view field = trimmedSpaces(runs[run].text);
    if (field.empty()) continue;
    if (!text.empty()) text += "  ";
    text += field;
  }
  return displayText(text);
}

// The bar as an image: its characters in the row's font, squeezed to the image's width,
// in the tone colour. A host shows item images at its own menu icon size (16 pixels on
// these hosts, some squashing wider images into a square), so the bar is drawn into a
// square, at twice that size for HiDPI menus. A row without a tone is drawn mid grey,
// which reads on light and dark menus alike.
GObjectPtr<GdkPixbuf> drawBar(const StyledRun& bar, const Look& look) {
  constexpr int side = 32;
  constexpr double barHeight = 0.75 * side;
  const CairoSurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, side, side));
  const CairoPtr cr(cairo_create(surface.get()));
  const GObjectPtr<PangoLayout> layout(pango_cairo_create_layout(cr.get()));
  const std::string text = displayText(bar.text);
  pango_layout_set_text(layout.get(), text.data(), static_cast<int>(text.size()));
  const FontDescriptionPtr font(pango_font_description_new());
  pango_font_description_set_family(font.get(), look.families.monospaced.c_str());
  pango_font_description_set_absolute_size(font.get(), barHeight * PANGO_SCALE);
  pango_layout_set_font_description(layout.get(), font.get());
  PangoRectangle logical;
  pango_layout_get_pixel_extents(layout.get(), nullptr, &logical);
  if (logical.width > 0 && logical.height > 0) {
    cairo_translate(cr.get(), 0, (side - barHeight) / 2);
    cairo_scale(cr.get(), static_cast<double>(side) / logical.width, barHeight / logical.height);
    cairo_move_to(cr.get(), -logical.x, -logical.y);
    const bool toned = bar.color.base != NamedColor::label && bar.color.base != NamedColor::secondaryLabel;
    const RGBA color =
        toned ? resolve(bar.color, look.appearance) : namedColorValue(NamedColor::systemGray, look.appearance);
    cairo_set_source_rgba(cr.get(), color.red, color.green, color.blue, 1.0);
    pango_cairo_show_layout(cr.get(), layout.get());
  }
  cairo_surface_flush(surface.get());
  return GObjectPtr<GdkPixbuf>(gdk_pixbuf_get_from_surface(surface.get(), 0, 0, side, side));
}

}  // namespace

GtkWidget* TrayMenu::makeWidget(const Entry& entry, const Look& look) {
  const MenuItem& item = entry.kept.item();
  GtkWidget* widget = gtk_menu_item_new_with_label("");
  GtkLabel* label = GTK_LABEL(gtk_bin_get_child(GTK_BIN(widget)));
  // Underscores stay text: no mnemonics.
  gtk_label_set_use_underline(label, FALSE);
  if (item.attributedTitle) {
    gtk_label_set_markup(label, pangoMarkup(*item.attributedTitle, look.appearance, look.families).c_str());
  } else {
    gtk_label_set_text(label, displayText(item.title).c_str());
  }
  // The shortcut works only while this menu has the keyboard, so only this menu shows it.
  if (item.keyEquivalent.size() == 1) {
    const guint key = gdk_unicode_to_keyval(static_cast<unsigned char>(item.keyEquivalent[0]));
    gtk_widget_add_accelerator(widget, "activate", accelerators_, key, GDK_CONTROL_MASK, GTK_ACCEL_VISIBLE);
  }
  return widget;
}

GtkWidget* TrayMenu::makeExportedWidget(const Entry& entry, const Look& look) {
  const MenuItem& item = entry.kept.item();
  if (!isRow(item)) return gtk_menu_item_new_with_label(displayText(item.title).c_str());
  // An image menu item is the one kind whose image the menu's export carries.
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  GtkWidget* widget = gtk_image_menu_item_new_with_label(exportedRowText(*item.attributedTitle).c_str());
  const auto bar = drawBar((*item.attributedTitle)[render::rowBarRun], look);
  gtk_image_menu_item_set_image(GTK_IMAGE_MENU_ITEM(widget), gtk_image_new_from_pixbuf(bar.get()));
  gtk_image_menu_item_set_always_show_image(GTK_IMAGE_MENU_ITEM(widget), TRUE);
  G_GNUC_END_IGNORE_DEPRECATIONS
  return widget;
}

void TrayMenu::connect(GtkWidget* widget, const MenuItem& item, size_t index) {
  if (item.toolTip) gtk_widget_set_tooltip_text(widget, displayText(*item.toolTip).c_str());
  gtk_widget_set_sensitive(widget, item.enabled);
  if (item.action != MenuAction::none) {
    g_object_set_data(G_OBJECT(widget), "indicator-entry", GSIZE_TO_POINTER(index));
    g_signal_connect(widget, "activate", G_CALLBACK(activated), this);
  }
  gtk_widget_show(widget);
}

void TrayMenu::refresh(const Look& look, bool lookChanged) {
  if (!changed_ && !lookChanged) return;
  changed_ = false;
  shown_ = entries_;
  for (GtkMenu* menu : {menu_, exported_}) {
    GList* children = gtk_container_get_children(GTK_CONTAINER(menu));
    for (GList* child = children; child != nullptr; child = child->next) gtk_widget_destroy(GTK_WIDGET(child->data));
    g_list_free(children);
  }
  for (size_t index = 0; index < shown_.size(); ++index) {
    const MenuItem& item = shown_[index].kept.item();
    for (GtkMenu* menu : {menu_, exported_}) {
      GtkWidget* widget = item.isSeparator ? gtk_separator_menu_item_new()
                          : menu == menu_  ? makeWidget(shown_[index], look)
                                           : makeExportedWidget(shown_[index], look);
      connect(widget, item, index);
      gtk_menu_shell_append(GTK_MENU_SHELL(menu), widget);
    }
  }
}

void TrayMenu::activated(GtkMenuItem* widget, TrayMenu* self) {
  const size_t index = GPOINTER_TO_SIZE(g_object_get_data(G_OBJECT(widget), "indicator-entry"));
  if (index >= self->shown_.size()) return;
  self->choice_.choose(self->shown_[index].kept.item().action, *self->shown_[index].target);
}

void TrayMenu::popUpAndWait() {
  app_.refreshNow();
  GdkDisplay* display = gdk_display_get_default();
  GdkDevice* pointer = gdk_seat_get_pointer(gdk_display_get_default_seat(display));
  GdkScreen* screen = nullptr;
  GdkRectangle at{0, 0, 1, 1};
  gdk_device_get_position(pointer, &screen, &at.x, &at.y);
  // Called from a timer there is no event to pop up from, and popping up at the pointer
  // without one fails: the menu is placed against the root window instead.
  GdkWindow* root = gdk_screen_get_root_window(screen != nullptr ? screen : gdk_screen_get_default());

  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  const gulong handler = g_signal_connect_swapped(menu_, "deactivate", G_CALLBACK(g_main_loop_quit), loop);
  choice_.opened();
  gtk_menu_popup_at_rect(menu_, root, &at, GDK_GRAVITY_NORTH_WEST, GDK_GRAVITY_NORTH_WEST, nullptr);
  // A menu that could not grab the pointer never shows, and never deactivates.
  if (gtk_widget_get_visible(GTK_WIDGET(menu_))) g_main_loop_run(loop);
  g_signal_handler_disconnect(menu_, handler);
  g_main_loop_unref(loop);
  choice_.closed();
}

// --- status item --------------------------------------------------------------

// A layout of the title in the status font, with fixed-width digits.
GObjectPtr<PangoLayout> statusLayout(PangoContext* context, const std::string& text, const Look& look, double size,
                                     PangoWeight weight = PANGO_WEIGHT_NORMAL) {
  GObjectPtr<PangoLayout> layout(pango_layout_new(context));
  pango_layout_set_text(layout.get(), text.data(), static_cast<int>(text.size()));
  const FontDescriptionPtr font(pango_font_description_new());
  pango_font_description_set_family(font.get(), look.families.system.c_str());
  pango_font_description_set_size(font.get(), static_cast<gint>(std::lround(size * PANGO_SCALE)));
  pango_font_description_set_weight(font.get(), weight);
  pango_layout_set_font_description(layout.get(), font.get());
  const AttrListPtr attributes(pango_attr_list_new());
  pango_attr_list_insert(attributes.get(), pango_attr_font_features_new("tnum"));
  pango_layout_set_attributes(layout.get(), attributes.get());
  return layout;
}

double TrayStatusButton::frameWidth() const {
  if (width_) return *width_;
  if (auto known = widths_.find(title_.text); known != widths_.end()) return *(width_ = known->second);
  const auto layout = statusLayout(app_.pointsContext(), title_.text, app_.look(), title_.size);
  PangoRectangle logical;
  pango_layout_get_extents(layout.get(), nullptr, &logical);
  width_ = static_cast<double>(logical.width) / PANGO_SCALE;
  if (widths_.size() >= 256) widths_.clear();
  widths_.emplace(title_.text, *width_);
  return *width_;
}

void TrayStatusButton::setAttributedTitle(StyledText title) {
  title_.text = displayText(plainText(title));
  if (!title.empty()) {
    title_.size = title.front().font.size;
    title_.color = title.front().color;
  }
  width_.reset();
  app_.scheduleRefresh();
}

void TrayStatusButton::setToolTip(const std::string& toolTip) {
  toolTip_ = displayText(toolTip);
  app_indicator_set_title(indicator_, toolTip_.c_str());
}

namespace {

// GNOME's AppIndicator extension and Unity draw the label beside the icon, in the panel's
// own font and colour; KDE Plasma and XFCE show only the icon.
bool hostShowsTheLabel() {
  const char* desktops = g_getenv("XDG_CURRENT_DESKTOP");
  if (desktops == nullptr) return false;
  const std::unique_ptr<gchar*, ReleaseWith<g_strfreev>> names(g_strsplit(desktops, ":", -1));
  for (gchar** name = names.get(); *name != nullptr; ++name) {
    if (g_str_equal(*name, "GNOME") || g_str_equal(*name, "Unity")) return true;
  }
  return false;
}

}  // namespace

TrayStatusItem::TrayStatusItem(TrayApplication& app)
    : app_(app),
      indicator_(app_indicator_new("kestrelwick-indicator", "", APP_INDICATOR_CATEGORY_APPLICATION_STATUS)),
      button_(app),
      hostShowsLabel_(hostShowsTheLabel()) {
  button_.indicator_ = indicator_;
  // The session's runtime directory is emptied at logout, so even an indicator that is
  // killed leaves no icons behind for long.
  const GCharPtr directory(g_build_filename(g_get_user_runtime_dir(), "indicator-XXXXXX", nullptr));
  if (g_mkdtemp_full(directory.get(), 0700) != nullptr) iconDirectory_ = directory.get();
}

TrayStatusItem::~TrayStatusItem() {
  app_.forget(this);
  takeDown();
  g_object_unref(indicator_);
}

void TrayStatusItem::takeDown() {
  app_indicator_set_status(indicator_, APP_INDICATOR_STATUS_PASSIVE);
  for (const std::string& icon : icons_) g_remove(icon.c_str());
  icons_.clear();
  if (!iconDirectory_.empty()) g_rmdir(std::exchange(iconDirectory_, std::string()).c_str());
}

void TrayStatusItem::setMenu(Menu& menu) {
  auto& trayMenu = dynamic_cast<TrayMenu&>(menu);
  button_.menu_ = &trayMenu;
  app_indicator_set_menu(indicator_, trayMenu.exportedWidget());
  // An indicator is shown only once it has a menu.
  app_indicator_set_status(indicator_, APP_INDICATOR_STATUS_ACTIVE);
}

// Where the host shows the label, the icon stays blank (a hairline, so that it takes no
// room): the title is shown once, as text, as macOS shows it. Elsewhere the title is
// drawn into the icon.
void TrayStatusItem::refresh(const Look& look, bool lookChanged) {
  if (lookChanged) button_.widths_.clear();
  const std::string& text = button_.title_.text;
  // The same title again draws nothing: a new icon makes every host reload it.
  if (!lookChanged && text == shownText_) return;
  shownText_ = text;
  app_indicator_set_label(indicator_, text.c_str(), text.c_str());
  // Hosts that show no label (KDE Plasma) show the tooltip: the status leads it.
  const std::string toolTip = text + " \xC2\xB7 " + button_.toolTip_;
  app_indicator_set_title(indicator_, toolTip.c_str());
  if (iconDirectory_.empty()) return;
  if (!hostShowsLabel_) {
    if (const CairoSurfacePtr icon = drawTitle(text, look)) publishIcon(icon.get(), text);
  } else if (icons_.empty()) {
    const CairoSurfacePtr blank(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 16));
    publishIcon(blank.get(), "");
  }
}

namespace {

// Most hosts fit an item's icon into a square, so a wide title would shrink to a smudge:
// it is wrapped at spaces into the lines that come nearest a square.
void wrapNearestASquare(PangoLayout* layout) {
  PangoRectangle logical;
  pango_layout_get_pixel_extents(layout, nullptr, &logical);
  int best = std::max(logical.width, logical.height);
  int bestWrap = -1;
  for (int step = 1; step < 16; ++step) {
    const int wrap = logical.width * (16 - step) / 16;
    pango_layout_set_width(layout, wrap * PANGO_SCALE);
    PangoRectangle wrapped;
    pango_layout_get_pixel_extents(layout, nullptr, &wrapped);
    if (std::max(wrapped.width, wrapped.height) < best) {
      best = std::max(wrapped.width, wrapped.height);
      bestWrap = wrap;
    }
  }
  pango_layout_set_width(layout, bestWrap < 0 ? -1 : bestWrap * PANGO_SCALE);
}

}  // namespace

// The title in bold black on a white rounded square, which reads on light and dark panels
// whatever the theme says; cropped to its ink, so that it fills the square the host gives it.
CairoSurfacePtr TrayStatusItem::drawTitle(const std::string& text, const Look& look) const {
  const CairoSurfacePtr probe(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1));
  const CairoPtr measuring(cairo_create(probe.get()));
  const GObjectPtr<PangoContext> context(pango_cairo_create_context(measuring.get()));
  pango_cairo_context_set_resolution(context.get(), 96.0 * iconScale);
  const auto layout = statusLayout(context.get(), displayText(text, maxIconCodePoints), look, button_.title_.size,
                                   PANGO_WEIGHT_BOLD);
  pango_layout_set_alignment(layout.get(), PANGO_ALIGN_CENTER);
  pango_layout_set_wrap(layout.get(), PANGO_WRAP_WORD);
  wrapNearestASquare(layout.get());
  PangoRectangle ink;
  pango_layout_get_pixel_extents(layout.get(), &ink, nullptr);
  const int margin = static_cast<int>(std::ceil(badgeMargin * iconScale));
  const int side = std::max({ink.width, ink.height, 1}) + 2 * margin;

  CairoSurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, side, side));
  const CairoPtr cr(cairo_create(surface.get()));
  pango_cairo_update_context(cr.get(), context.get());
  pango_layout_context_changed(layout.get());
  const double radius = side / 5.0;
  cairo_new_sub_path(cr.get());
  cairo_arc(cr.get(), side - radius, radius, radius, -G_PI / 2, 0);
  cairo_arc(cr.get(), side - radius, side - radius, radius, 0, G_PI / 2);
  cairo_arc(cr.get(), radius, side - radius, radius, G_PI / 2, G_PI);
  cairo_arc(cr.get(), radius, radius, radius, G_PI, 3 * G_PI / 2);
  cairo_close_path(cr.get());
  cairo_set_source_rgba(cr.get(), 1, 1, 1, 0.92);
  cairo_fill(cr.get());
  cairo_move_to(cr.get(), (side - ink.width) / 2.0 - ink.x, (side - ink.height) / 2.0 - ink.y);
  cairo_set_source_rgb(cr.get(), 0, 0, 0);
  pango_cairo_show_layout(cr.get(), layout.get());
  return surface;
}

// Hosts cache icons by name, so every title gets a new file; the one before stays for a
// host that is still loading it.
void TrayStatusItem::publishIcon(cairo_surface_t* icon, const std::string& text) {
  const std::string path = iconDirectory_ + "/title-" + std::to_string(++iconSerial_) + ".png";
  if (cairo_surface_write_to_png(icon, path.c_str()) != CAIRO_STATUS_SUCCESS) return;
  app_indicator_set_icon_full(indicator_, path.c_str(), text.c_str());
  icons_.push_back(path);
  while (icons_.size() > 2) {
    g_remove(icons_.front().c_str());
    icons_.erase(icons_.begin());
  }
}

// --- application ------------------------------------------------------------

TrayApplication::TrayApplication()
    : loop_(g_main_context_default()),
      pointsContext_(pango_font_map_create_context(pango_cairo_font_map_get_default())) {
  pango_cairo_context_set_resolution(pointsContext_, 72.0);
  readLook();
  GtkSettings* settings = gtk_settings_get_default();
  for (const char* property : {"notify::gtk-theme-name", "notify::gtk-application-prefer-dark-theme",
                               "notify::gtk-font-name"}) {
    g_signal_connect(settings, property, G_CALLBACK(lookChanged), this);
  }
}

// The theme's text colour tells its variant: light text means a dark theme.
void TrayApplication::readLook() {
  const GObjectPtr<GtkWidget> probe(g_object_ref_sink(gtk_menu_new()));
  GdkRGBA text{};
  gtk_style_context_get_color(gtk_widget_get_style_context(probe.get()), GTK_STATE_FLAG_NORMAL, &text);
  gtk_widget_destroy(probe.get());
  const double luminance = 0.2126 * text.red + 0.7152 * text.green + 0.0722 * text.blue;
  look_.appearance = luminance > 0.5 ? Appearance::dark : Appearance::light;

  gchar* fontName = nullptr;
  g_object_get(gtk_settings_get_default(), "gtk-font-name", &fontName, nullptr);
  const GCharPtr ownedName(fontName);
  const FontDescriptionPtr font(pango_font_description_from_string(fontName != nullptr ? fontName : "Sans"));
  const char* family = pango_font_description_get_family(font.get());
  look_.families.system = family != nullptr ? family : "Sans";
}

void TrayApplication::lookChanged(GObject*, GParamSpec*, TrayApplication* self) {
  self->lookChanged_ = true;
  self->scheduleRefresh();
}

// A report after a quiet spell reaches the panel as soon as it is whole (an idle source
// runs once the main queue is empty, so after the render); reports that follow within
// the interval are shown together when it ends, so a burst redraws at most 25 times a second.
void TrayApplication::scheduleRefresh() {
  if (refreshSource_ != 0) return;
  auto refresh = [](gpointer self) -> gboolean {
    auto* app = static_cast<TrayApplication*>(self);
    app->refreshSource_ = 0;
    app->refreshNow();
    return G_SOURCE_REMOVE;
  };
  const gint64 sinceLast = (g_get_monotonic_time() - lastRefresh_) / 1000;
  if (sinceLast >= refreshIntervalMs) {
    refreshSource_ = g_idle_add(refresh, this);
  } else {
    refreshSource_ = g_timeout_add(refreshIntervalMs - static_cast<guint>(sinceLast), refresh, this);
  }
}

void TrayApplication::refreshNow() {
  if (refreshSource_ != 0) {
    g_source_remove(refreshSource_);
    refreshSource_ = 0;
  }
  lastRefresh_ = g_get_monotonic_time();
  const bool lookChanged = std::exchange(lookChanged_, false);
  if (lookChanged) readLook();
  if (item_ != nullptr) item_->refresh(look_, lookChanged);
  if (menu_ != nullptr) menu_->refresh(look_, lookChanged);
}

std::unique_ptr<StatusItem> TrayApplication::statusItemWithLength(double) {
  auto item = std::make_unique<TrayStatusItem>(*this);
  item_ = item.get();
  return item;
}

std::unique_ptr<Menu> TrayApplication::makeMenu() {
  auto menu = std::make_unique<TrayMenu>(*this);
  menu_ = menu.get();
  return menu;
}

void TrayApplication::run() {
  loop_.run(delegate_, [this] {
    if (item_ != nullptr) item_->takeDown();
    // A quit chosen from the exported menu ends the loop while the reply to the panel's
    // click is still queued; the panel gets it, and sees the item go, before the process ends.
    if (GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr)) {
      g_dbus_connection_flush_sync(bus, nullptr, nullptr);
      g_object_unref(bus);
    }
  });
}

void TrayApplication::terminate() {
  loop_.end();
  if (refreshSource_ != 0) g_source_remove(std::exchange(refreshSource_, 0));
  if (menu_ != nullptr) menu_->popDown();
}

}  // namespace
}  // namespace platform

// GTK and the libraries below it report on standard error, which carries only the
// indicator's own lines; their messages are dropped.
extern "C" __attribute__((visibility("default"))) platform::Application* indicatorDesktopApplication() {
  g_log_set_writer_func([](GLogLevelFlags, const GLogField*, gsize, gpointer) { return G_LOG_WRITER_HANDLED; },
                        nullptr, nullptr);
  g_log_set_default_handler([](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
  g_set_printerr_handler([](const gchar*) {});
  // Number formatting stays independent of the user's locale.
  gtk_disable_setlocale();
  // Under Wayland its own backend: through XWayland the self-test's menu, popped up with no
  // window of the indicator's to grab from, never gets the keyboard and cannot be closed.
  // Elsewhere X11, where a menu popped up from a timer is placed at the pointer.
  gdk_set_allowed_backends(g_getenv("WAYLAND_DISPLAY") != nullptr ? "wayland,x11" : "x11,*");
  if (!gtk_init_check(nullptr, nullptr)) return nullptr;
  // Never destroyed, like the platform's own application object.
  return new platform::TrayApplication();
}
