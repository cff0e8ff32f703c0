# android_usb.inf missing beside the program, so Install fails; the whole package in C:\drivers under
# the names the folder install looks for (the modem INF as qcmsm.inf).
rm "$app_dir/android_usb.inf"
mkdir "$drive_c/drivers"
cp "$source_dir/samples/qcmdm.inf" "$drive_c/drivers/qcmsm.inf"
cp "$source_dir/samples/qcser.inf" "$source_dir/samples/android_usb.inf" "$drive_c/drivers/"
