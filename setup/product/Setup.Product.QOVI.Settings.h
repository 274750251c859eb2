// The user's choices in the run's settings store: the one place where the wizard's pages, the
// actions and the controller take the names of their keys from. Every key is a boolean; each
// reader gives its own default for an absent key (the functions below say which).
#pragma once

namespace Setup::Product::QOVI::Settings {

inline constexpr char16_t kCommon[] = u"Common";
inline constexpr char16_t kIntegration[] = u"Integration";
inline constexpr char16_t kActions[] = u"Actions";

// [Common], written by the add-ons page.
inline constexpr char16_t kAddonsViewer[] = u"AddonsViewer";
inline constexpr char16_t kAddonsExtensions[] = u"AddonsExtensions";
inline constexpr char16_t kAddonsShortcuts[] = u"AddonsShortcuts";
// [Common], written by the uninstall-options page.
inline constexpr char16_t kRemoveBackups[] = u"RemoveBackups";
inline constexpr char16_t kRemoveContent[] = u"RemoveContent";
// [Integration], written by the integration page and copied from an installed configuration.
inline constexpr char16_t kShortcutDesktop[] = u"ShortcutDesktop";
inline constexpr char16_t kShortcutStartMenu[] = u"ShortcutStartMenu";
inline constexpr char16_t kAssociateWithFiles[] = u"AssociateWithFiles";
inline constexpr char16_t kIntegrateToWindows[] = u"IntegrateToWindows";
inline constexpr char16_t kRegisterContextMenu[] = u"RegisterContextMenu";
// [Actions]: one key per entry of the install script's Actions group, by its name.

} // namespace Setup::Product::QOVI::Settings
