# android_usb.inf missing: the dialog would stay after the install, so only the Esc key can end it.
rm "$app_dir/android_usb.inf"
