# qcser.inf beside the program names no device class: Windows cannot read the class it installs into.
sed -i -e '/^Class=/d' -e '/^ClassGuid=/d' "$app_dir/qcser.inf"
