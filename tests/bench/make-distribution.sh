#!/usr/bin/env bash
# Lays out a distribution of COUNT small parts in OUT, modelled on the sample distribution: one
# volume, COUNT part packages with one small file each, the merged package with every part's
# features and the model's tables listing the parts, and a setup.ini. Each part has FEATURES
# features (default 1): its top feature holds the file, the others sit below it with a registry
# value each. The language modules, the system-information server and the other files the
# configuration names are copied from the built sample distribution.
#   make-distribution.sh COUNT OUT SAMPLE_DIR WIXL MSIBUILD [FEATURES]
set -euo pipefail
count=$1
out=$2
sample=$3
wixl=$4
msibuild=$5
features=${6:-1}

# Every GUID of distribution COUNT: {7B3E51C0-<kind>-<count>-<8000 + FEATURES - 1>-<part>}; those of
# the components of a part's other features: {7B3E51C0-<kind>-<count>-<FEATURES>-<part><feature>}.
guid() { printf '{7B3E51C0-%04X-%04X-%04X-%012X}' "$1" "$count" $(( 0x8000 + features - 1 )) "$2"; }
feature_guid() { printf '{7B3E51C0-%04X-%04X-%04X-%06X%06X}' "$1" "$count" "$features" "$2" "$3"; }
kDist=1 kMergedProduct=2 kMergedUpgrade=3 kProduct=4 kUpgrade=5 kPackage=6 kComponent=7 kMergedComponent=8
kFeatureComponent=9 kMergedFeatureComponent=10

rm -rf "$out"
mkdir -p "$out/parts" "$out/merged-src/tables"
for item in engine license res tools zkdist.id; do
    cp -r "$sample/$item" "$out/"
done
# The volume ID file names this distribution.
cat > "$out/zkdist.id" <<ID
[Volume Id]
DistributionGUID=$(guid $kDist 0)
DistributionVersion=1.0.0.0
Volume=1
ID

product_wxs() {  # product-code upgrade-code package-code name components features
    cat <<WXS
<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="$1" Name="$4" Language="1033" Version="1.0.0" Manufacturer="Velmo Bench" UpgradeCode="$2">
    <Package Id="$3" InstallerVersion="200" Compressed="yes" InstallScope="perMachine"/>
    <Media Id="1" Cabinet="files.cab" EmbedCab="yes"/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFilesFolder">
        <Directory Id="INSTALLDIR" Name="VelmoBench$count">
$5
        </Directory>
      </Directory>
    </Directory>
$6
  </Product>
</Wix>
WXS
}

merged_components="" merged_features=""
feature_rows="" summary_rows="" media_rows="" parts_list=""
for (( k = 1; k <= count; ++k )); do
    name="Part$k"
    dir="$out/parts-src/$name"
    mkdir -p "$dir"
    echo "File of $name of the $count-part benchmark distribution." > "$dir/$name.txt"
    component="          <Component Id=\"${name}Component\" Guid=\"$(guid $kComponent "$k")\">
            <File Id=\"${name}File\" Name=\"$name.txt\" Source=\"$name.txt\" KeyPath=\"yes\"/>
          </Component>"
    subcomponents="" merged_subcomponents="" subfeatures="" subfeature_rows=""
    for (( j = 2; j <= features; ++j )); do
        printf -v sub '%sF%04d' "$name" "$j"
        registry="<RegistryValue Root=\"HKLM\" Key=\"Software\\VelmoBench$count\" Name=\"$sub\" Type=\"integer\""
        registry+=" Value=\"1\" KeyPath=\"yes\"/>"
        subcomponents+="
          <Component Id=\"${sub}Component\" Guid=\"$(feature_guid $kFeatureComponent "$k" "$j")\">$registry</Component>"
        merged_subcomponents+="
          <Component Id=\"${sub}Component\" Guid=\"$(feature_guid $kMergedFeatureComponent "$k" "$j")\">$registry</Component>"
        subfeatures+="
      <Feature Id=\"$sub\" Title=\"$sub\" Level=\"1\"><ComponentRef Id=\"${sub}Component\"/></Feature>"
        subfeature_rows+="$sub	$(guid $kProduct "$k")
"
    done
    feature="    <Feature Id=\"$name\" Title=\"$name\" Level=\"1\"><ComponentRef Id=\"${name}Component\"/>$subfeatures
    </Feature>"
    product_wxs "$(guid $kProduct "$k")" "$(guid $kUpgrade "$k")" "$(guid $kPackage "$k")" "Velmo Bench $count $name" \
        "$component$subcomponents" "$feature" > "$dir/$name.wxs"
    (cd "$dir" && "$wixl" -o "$out/parts/$name.msi" "$name.wxs")

    cp "$dir/$name.txt" "$out/merged-src/"
    merged_components+="          <Component Id=\"${name}Component\" Guid=\"$(guid $kMergedComponent "$k")\">
            <File Id=\"${name}File\" Name=\"$name.txt\" Source=\"$name.txt\" KeyPath=\"yes\"/>
          </Component>$merged_subcomponents
"
    merged_features+="$feature
"
    feature_rows+="$name	$(guid $kProduct "$k")
$subfeature_rows"
    size=$(stat -c %s "$out/parts/$name.msi")
    summary_rows+="$(guid $kProduct "$k")	$(guid $kPackage "$k")	Intel;1033	1.0.0	Velmo Bench $count $name"
    summary_rows+="	$(guid $kUpgrade "$k")	1	$size
"
    media_rows+="$(guid $kProduct "$k")	VELMOBENCH
"
    parts_list+="$name=
"
done

product_wxs "$(guid $kMergedProduct 0)" "$(guid $kMergedUpgrade 0)" "$(guid $kPackage 0)" \
    "Velmo Bench Distribution $count" "$merged_components" "$merged_features" > "$out/merged-src/merged.wxs"
# The merged package carries the distribution's name and the version of the tool that built it.
properties="<Property Id=\"ZKDISTNAME\" Value=\"Velmo Bench Distribution $count\"/>"
properties+="\n    <Property Id=\"VelmoBuilderVersion\" Value=\"1.0\"/>"
sed -i "s|<Media Id=\"1\"|$properties\n    &|" "$out/merged-src/merged.wxs"
tables="$out/merged-src/tables"
printf 'Feature_\tProductCode\ns38\ts38\nZKFeatureProduct\tFeature_\n%s' "$feature_rows" \
    > "$tables/ZKFeatureProduct.idt"
summary_columns='ProductCode	PackageCode	ProductLanguage	ProductVersion	ProductName	UpgradeCode	Uniquifier'
printf '%s\n%s\n%s\n%s' "$summary_columns	MSISize" 's38	s38	s255	s72	s255	s38	S72	i4' \
    'ZKSummaryProduct	ProductCode' "$summary_rows" > "$tables/ZKSummaryProduct.idt"
printf 'ProductCode\tVolumeLabel\ns38\ts72\nZKMediaProduct\tProductCode\tVolumeLabel\n%s' "$media_rows" \
    > "$tables/ZKMediaProduct.idt"
upgrade_columns='UpgradeCode_	ProductCode	VersionMin_	VersionMax_	Language_	Attributes_	ActionProperty'
printf '%s\n%s\n%s\n' "$upgrade_columns	Remove	PreventsInstall" \
    's38	s38	S20	S20	S255	I4	S72	S255	S8' 'ZKUpgradeProduct	UpgradeCode_	ProductCode	VersionMin_' \
    > "$tables/ZKUpgradeProduct.idt"
(cd "$out/merged-src" && "$wixl" -o "$out/merged.msi" merged.wxs)
(cd "$tables" && "$msibuild" "$out/merged.msi" -i ZKFeatureProduct.idt ZKSummaryProduct.idt ZKMediaProduct.idt \
    -i ZKUpgradeProduct.idt)

{
    cat <<INI
; Benchmark distribution of $count small parts on one volume.

[MsiEngine]
WinNTPath=engine\\engine-installer.txt
CommandLine=/q
RequiredVersion=2.0.0.0

[Localization]
Languages=1033,1031
CustomRes1033=res\\custom1033.dll
CustomRes1031=res\\custom1031.dll
StandardRes1031=res\\standard1031.dll

[Settings]
Reboot=Normal
IsBeta=0

[Distribution]
Title=1
GUID=$(guid $kDist 0)
Version=1.0.0.0

[Disk Labels]
Default=2

[InstallLevels]
Default=100

[Utilities]
UpgradeManagerPostProcessor=tools\\postprocess.exe
ZKSysInfo=tools\\ZKSysInfo.dll

[Dialogs]
License2=0

[Files]
LicenseTextFile1033=Licence Agreement;license\\license1033.rtf
LicenseTextFile1031=Lizenzvertrag;license\\license1031.rtf

[Parts]
${parts_list}
[Merged]
Path=merged.msi
INI
    for (( k = 1; k <= count; ++k )); do
        printf '\n[Part%d]\nPath=parts\\Part%d.msi\nVolume=1\nProductCode=%s\n' "$k" "$k" "$(guid $kProduct "$k")"
    done
} > "$out/setup.ini"
rm -rf "$out/merged-src" "$out/parts-src"
