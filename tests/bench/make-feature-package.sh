#!/usr/bin/env bash
# Writes the .wxs of a package whose feature tree has the shape of the solver benchmark's trees:
# COUNT features, the first 8 at the top, feature i (from 8 on) under feature i/8 - 1, each with
# one component of its own (a registry value, so the package carries no files).
#   make-feature-package.sh COUNT OUT.wxs
set -euo pipefail
count=$1
out=$2
fanout=8

emit_feature() {
    local i=$1 indent=$2 name child first
    printf -v name 'F%05d' "$i"
    printf '%s<Feature Id="%s" Title="%s" Level="1">\n' "$indent" "$name" "$name"
    printf '%s  <ComponentRef Id="C%s"/>\n' "$indent" "$name"
    first=$(( fanout * (i + 1) ))
    for (( child = first; child < first + fanout && child < count; ++child )); do
        emit_feature "$child" "$indent  "
    done
    printf '%s</Feature>\n' "$indent"
}

{
    cat <<HEAD
<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="{7B3E51C0-2D4A-4E8F-9A61-000000000001}" Name="Velmo Feature Bench" Language="1033"
           Version="1.0.0" Manufacturer="Velmo Bench" UpgradeCode="{7B3E51C0-2D4A-4E8F-9A61-000000000002}">
    <Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine"/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFilesFolder">
        <Directory Id="INSTALLDIR" Name="VelmoFeatureBench">
HEAD
    for (( i = 0; i < count; ++i )); do
        printf -v name 'F%05d' "$i"
        printf '          <Component Id="C%s" Guid="{7B3E51C0-2D4A-4E8F-9A61-1000%08X}">\n' "$name" "$i"
        printf '            <RegistryValue Root="HKLM" Key="Software\\VelmoFeatureBench"'
        printf ' Name="%s" Type="integer" Value="1" KeyPath="yes"/>\n' "$name"
        printf '          </Component>\n'
    done
    cat <<MID
        </Directory>
      </Directory>
    </Directory>
MID
    for (( i = 0; i < fanout && i < count; ++i )); do
        emit_feature "$i" "    "
    done
    cat <<TAIL
  </Product>
</Wix>
TAIL
} > "$out"
