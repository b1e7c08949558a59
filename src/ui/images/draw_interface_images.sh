#!/bin/sh
# Draws the artwork of the main window's image buttons and image controls with
# ImageMagick. The outputs are committed beside this script and built into the
# program; run it again only to change the artwork:
#     cd src/ui/images && ./draw_interface_images.sh
#
# Every icon is drawn on a canvas four to five times its final size and scaled down,
# which gives smooth edges at the small sizes the buttons use. RGB images are drawn
# over the light grey of a button face because they carry no transparency.
set -eu
cd "$(dirname "$0")"

im() { convert "$@"; }
face='#EFEFEF'
clean='-strip -define png:exclude-chunks=date,time'

# Folder, as a 96 x 96 drawing: the back with its tab, then the open front.
folder() {
    im -size 96x96 xc:none \
        -stroke '#9C6A00' -strokewidth 3 \
        -fill '#E3A21A' -draw 'roundrectangle 8,14 40,30 5,5' \
        -fill '#E3A21A' -draw 'roundrectangle 8,22 86,80 6,6' \
        -fill '#FFD35C' -draw 'polygon 20,38 92,38 80,82 8,82' \
        -stroke none -fill '#FFE9A8' -draw 'polygon 24,42 86,42 84,48 22,48' \
        "$@"
}
folder -background "$face" -flatten -resize 20x20 $clean PNG24:folder_20.png
folder -background "$face" -flatten -resize 18x18 $clean PNG24:folder_18.png

# Save: a blue diskette with its metal shutter and a white label.
im -size 120x120 xc:none \
    -stroke '#17406E' -strokewidth 4 -fill '#2F6FB5' -draw 'roundrectangle 8,8 112,112 12,12' \
    -stroke '#7B8794' -strokewidth 3 -fill '#DDE3EA' -draw 'rectangle 30,8 90,48' \
    -stroke none -fill '#2F6FB5' -draw 'rectangle 70,16 82,40' \
    -stroke '#B8C4D0' -strokewidth 2 -fill white -draw 'roundrectangle 22,62 98,108 4,4' \
    -stroke '#8FA3B8' -strokewidth 4 -draw 'line 32,76 88,76' -draw 'line 32,92 78,92' \
    -resize 30x30 $clean PNG32:save_30.png

# Power: a red ring open at the top with a bar through the gap.
im -size 120x120 xc:none -fill none -stroke '#D7261E' -strokewidth 13 \
    -draw 'stroke-linecap round arc 20,24 100,104 -55,235' \
    -draw 'stroke-linecap round line 60,12 60,58' \
    -resize 30x30 $clean PNG32:power_30.png

# Colour wheel: hue around the centre, white towards the middle, in a thin grey rim.
im -size 96x96 xc:black -colorspace HSL \
    -channel R -fx 'atan2(j-47.5,i-47.5)/(2*pi)+0.5' \
    -channel G -fx '1' \
    -channel B -fx '1-0.5*pow(min(1,hypot(i-47.5,j-47.5)/44),0.6)' +channel \
    -set colorspace HSL -colorspace sRGB -alpha set \
    \( -size 96x96 xc:none -fill white -draw 'circle 47.5,47.5 47.5,3' \) \
    -compose DstIn -composite -compose Over \
    -fill none -stroke '#4B5563' -strokewidth 3 -draw 'circle 47.5,47.5 47.5,3' \
    -resize 24x24 $clean PNG32:colour_wheel_24.png

# Phrases file: a page with a folded corner, lines of text and a speech mark.
im -size 96x96 xc:none \
    -stroke '#4B5563' -strokewidth 4 -fill white -draw 'polygon 16,4 62,4 82,24 82,92 16,92' \
    -fill '#D1D5DB' -draw 'polygon 62,4 62,24 82,24' \
    -stroke '#2563EB' -strokewidth 5 \
    -draw 'line 28,42 70,42' -draw 'line 28,56 70,56' -draw 'line 28,70 58,70' \
    -stroke none -fill '#F59E0B' -draw 'circle 30,24 30,30' -draw 'polygon 25,27 35,27 27,36' \
    -draw 'circle 44,24 44,30' -draw 'polygon 39,27 49,27 41,36' \
    -resize 24x24 $clean PNG32:phrases_file_24.png

# Landscape: sky, sun, far mountains, green hills and a lake.
im -size 260x260 gradient:'#3F8FD6'-'#D6ECF8' \
    -fill '#FFF3B0' -draw 'circle 188,70 188,102' \
    -fill '#FFD447' -draw 'circle 188,70 188,94' \
    -fill '#7F95AB' -draw 'polygon 0,150 50,96 92,132 140,80 200,140 260,104 260,170 0,170' \
    -fill '#E9EEF3' -draw 'polygon 128,94 140,80 152,94 146,90 140,96 134,90' \
    -fill '#4E9A2D' -draw 'path "M 0,160 C 60,130 120,150 170,146 C 210,142 240,132 260,136 L 260,260 L 0,260 Z"' \
    -fill '#5FA8D8' -draw 'path "M 96,176 C 140,166 210,170 236,182 C 214,196 130,198 96,176 Z"' \
    -fill '#6DBE45' -draw 'path "M 0,200 C 50,176 100,196 150,214 C 190,228 230,222 260,212 L 260,260 L 0,260 Z"' \
    -fill '#2F6B1E' -draw 'polygon 34,196 44,160 54,196' -draw 'polygon 52,200 60,170 68,200' \
    -blur 0x1.2 -resize 65x65 -type TrueColor -quality 92 $clean JPEG:landscape_65.jpg

# Abstract red background: soft clouds in shades of red with a few light rings.
im -size 380x251 -seed 4711 plasma:fractal -colorspace Gray -blur 0x14 -swirl 140 -normalize -colorspace sRGB \
    \( -size 1x256 gradient:'#2B0006'-'#FF5A44' \) -clut \
    -fill none -stroke '#FF9A8A55' -strokewidth 6 -draw 'circle 300,60 300,140' \
    -stroke '#FFD0C855' -strokewidth 3 -draw 'circle 90,200 90,250' \
    -stroke '#FFB0A040' -strokewidth 10 -draw 'circle 200,330 200,150' \
    -blur 0x1.5 -type TrueColor -quality 90 $clean JPEG:red_background_380x251.jpg

# FTP: white letters on a blue tag.
im -size 72x72 xc:none -fill '#1F6FB2' -stroke '#114A7A' -strokewidth 3 \
    -draw 'roundrectangle 2,8 70,64 10,10' \
    -stroke none -fill white -font Carlito-Bold -pointsize 36 -gravity center -annotate +0+1 'FTP' \
    -resize 18x18 $clean PNG32:ftp_18.png

# Download: a small picture with a green arrow pointing down into it.
im -size 128x128 xc:none \
    -stroke '#4A5968' -strokewidth 5 -fill '#9CCBF0' -draw 'roundrectangle 6,10 98,88 8,8' \
    -stroke none -fill '#FFD447' -draw 'circle 30,32 30,42' \
    -fill '#3E9B4F' -draw 'polygon 9,86 40,48 62,72 76,58 96,86' \
    -stroke white -strokewidth 6 -fill '#22A447' -draw 'circle 92,92 92,124' \
    -stroke none -fill white -draw 'rectangle 85,70 99,94' -draw 'polygon 74,92 110,92 92,112' \
    -resize 32x32 $clean PNG32:download_32.png
