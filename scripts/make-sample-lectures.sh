#!/usr/bin/env bash
# Makes a small library of spoken Indonesian sample lectures for the reference lecture service:
# MP3 files (espeak-ng + lame) and library.json beside them. Does nothing if the folder already
# holds a library.json, so it is cheap to call on every start.
#
#   scripts/make-sample-lectures.sh <folder>
set -euo pipefail

if [[ $# -ne 1 ]]; then
    echo "usage: $0 <folder>" >&2
    exit 2
fi
folder=$1
if [[ -f "$folder/library.json" ]]; then
    exit 0
fi
for tool in espeak-ng lame awk od; do
    command -v "$tool" >/dev/null || { echo "$0: $tool is needed" >&2; exit 1; }
done
mkdir -p "$folder"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C

# id|file name|ustadz|judul|views ("-" for none)|times the text is spoken|direct URL? (y/n)|text
lectures=(
"101|kajian-tafsir-al-fatihah.mp3|Ustadz Ahmad Fauzan Hidayat|Kajian Tafsir Surat Al-Fatihah|1523|1|y|Bismillahirrahmanirrahim. Surat Al-Fatihah adalah pembuka Al-Quran dan dibaca dalam setiap rakaat shalat. Ia disebut juga Ummul Kitab, induk dari kitab suci. Di dalamnya terkandung pujian kepada Allah, pengakuan bahwa hanya kepada-Nya kita beribadah, dan permohonan petunjuk ke jalan yang lurus. Marilah kita renungkan maknanya setiap kali kita membacanya."
"102|fiqih-shalat-berjamaah.mp3|Ustadz Muhammad Rizki Maulana|Fiqih Shalat Berjamaah|874|1|n|Saudara-saudara yang dirahmati Allah. Shalat berjamaah lebih utama daripada shalat sendirian dengan dua puluh tujuh derajat. Makmum hendaknya merapatkan dan meluruskan shaf, mengikuti imam dan tidak mendahuluinya. Orang yang datang terlambat tetap bergabung dengan jamaah dan menyempurnakan rakaat yang tertinggal setelah imam salam."
"103|adab-menuntut-ilmu.mp3|Ustadz Abdullah Hakim Nasution|Adab Menuntut Ilmu|2310|2|y|Para ulama terdahulu mempelajari adab sebelum mempelajari ilmu. Seorang penuntut ilmu hendaknya meluruskan niat, menghormati guru, bersabar dalam belajar, dan mengamalkan apa yang telah ia ketahui. Ilmu tanpa adab akan membawa kesombongan, sedangkan adab tanpa ilmu akan membawa kebingungan."
"104|keutamaan-sedekah.mp3|Ustadz Ahmad Fauzan Hidayat|Keutamaan Sedekah di Bulan Ramadhan|640|1|n|Bulan Ramadhan adalah bulan kebaikan. Rasulullah adalah orang yang paling dermawan, dan beliau lebih dermawan lagi di bulan Ramadhan. Sedekah tidak akan mengurangi harta, bahkan Allah akan menggantinya dengan yang lebih baik. Mulailah dari yang sedikit, asalkan dilakukan dengan ikhlas dan terus menerus."
"109|syarah-hadits-arbain-niat.mp3|Ustadz Abdullah Hakim Nasution|Syarah Hadits Arbain: Niat dan Ikhlas|412|1|n|Hadits pertama dari kitab Arbain An-Nawawiyah adalah hadits tentang niat. Sesungguhnya setiap amal tergantung pada niatnya, dan setiap orang mendapatkan apa yang ia niatkan. Para ulama menyebut hadits ini sepertiga dari agama. Maka luruskanlah niat dalam menuntut ilmu, dalam beribadah, dan dalam bekerja, semata-mata mengharap wajah Allah."
"105|tanya jawab + kajian di café dakwah.mp3|Ustadz Hasan Basri Lubis|Tanya Jawab Seputar Puasa|1187|1|y|Pertanyaan pertama, bagaimana hukum orang yang lupa lalu makan dan minum ketika berpuasa? Jawabannya, puasanya tetap sah dan hendaknya ia melanjutkan puasanya, karena Allah yang telah memberinya makan dan minum. Pertanyaan kedua, bolehkah berkumur ketika berwudhu? Boleh, asalkan tidak berlebihan sehingga air tidak masuk ke kerongkongan."
"106|rekaman-kajian-subuh-2023-08-12.mp3|Ustadz Muhammad Rizki Maulana||-|1|n|Alhamdulillah, pagi ini kita kembali berkumpul dalam majelis ilmu selepas shalat subuh. Kajian kali ini membahas pentingnya menjaga waktu. Waktu adalah modal kehidupan, dan setiap detik yang berlalu tidak akan pernah kembali. Gunakanlah waktu pagi untuk dzikir, membaca Al-Quran, dan memulai pekerjaan dengan semangat."
"107|nasihat-tentang-sabar.mp3||Nasihat tentang Sabar dan Syukur|305|1|n|Seorang mukmin itu menakjubkan. Jika ia mendapat kebaikan ia bersyukur, dan itu baik baginya. Jika ia tertimpa kesusahan ia bersabar, dan itu pun baik baginya. Sabar dan syukur adalah dua sayap yang membawa seorang hamba menuju ridha Allah. Maka bersabarlah ketika diuji, dan bersyukurlah ketika diberi nikmat."
"108|sirah-nabawiyah-hijrah.mp3|Ustadz Abdullah Hakim Nasution|Sirah Nabawiyah: Peristiwa Hijrah|958|2|n|Hijrah Rasulullah dari Makkah ke Madinah menjadi titik awal penanggalan Islam. Beliau ditemani Abu Bakar Ash-Shiddiq dan bersembunyi di Gua Tsur selama tiga malam. Setibanya di Madinah, beliau membangun masjid, mempersaudarakan kaum Muhajirin dan Anshar, dan menyusun piagam untuk seluruh penduduk kota."
)

# Two short series, so a teacher's page shows series and a part plays on to the next: twelve
# parts (numeric order puts 2 before 10) and three.
tauhid=("makna tauhid" "keutamaan tauhid" "rasa takut kepada syirik" "dakwah kepada tauhid"
    "tafsir tauhid" "larangan memakai jimat" "ruqyah dan tamimah" "tabarruk kepada pohon"
    "menyembelih untuk selain Allah" "nadzar untuk selain Allah" "meminta perlindungan"
    "berdoa kepada selain Allah")
for ((n = 1; n <= ${#tauhid[@]}; n++)); do
    topic=${tauhid[$((n - 1))]}
    lectures+=("$((200 + n))|kitab-tauhid-bagian-$n.mp3|Ustadz Abdullah Hakim Nasution|Kitab Tauhid - Bagian $n|$((900 - n * 37))|1|n|Kitab Tauhid bagian $n. Pada pertemuan ini kita membahas $topic. Semoga Allah memberi kita pemahaman yang lurus dan kemampuan untuk mengamalkannya.")
done
puasa=("niat dan waktu puasa" "hal-hal yang membatalkan puasa" "qadha dan fidyah")
for ((n = 1; n <= ${#puasa[@]}; n++)); do
    lectures+=("$((300 + n))|fiqih-puasa-pertemuan-$n.mp3|Ustadz Hasan Basri Lubis|Fiqih Puasa (Pertemuan $n)|$((400 + n * 50))|1|n|Fiqih puasa, pertemuan ke $n, tentang ${puasa[$((n - 1))]}. Puasa Ramadhan adalah kewajiban bagi setiap muslim yang baligh, berakal, dan mampu.")
done

slugify() {
    printf '%s' "${1%.mp3}" | sed 's/é/e/g' | tr 'A-Z' 'a-z' | sed -e 's/[^a-z0-9]\+/-/g' -e 's/^-//' -e 's/-$//'
}

# Little-endian 32-bit number at a byte offset of a file.
u32() {
    od -An -tu4 -j "$2" -N4 --endian=little "$1" | tr -d ' '
}

entries=()
duration_formatted_done=n
for row in "${lectures[@]}"; do
    IFS='|' read -r id file ustadz judul views times direct text <<<"$row"
    spoken=$text
    for ((i = 1; i < times; i++)); do
        spoken="$spoken $text"
    done
    espeak-ng -v id -s 145 -w "$work/$id.wav" "$spoken"
    # espeak-ng writes a plain 44-byte PCM header: data length at offset 40, rate at 24.
    rate=$(u32 "$work/$id.wav" 24)
    data=$(u32 "$work/$id.wav" 40)
    seconds=$(( (data / 2 + rate / 2) / rate ))
    lame --quiet --cbr -b 48 -m m "$work/$id.wav" "$work/$id.mp3"
    mv "$work/$id.mp3" "$folder/$file"

    size=$(stat -c %s "$folder/$file")
    mtime=$(stat -c %Y "$folder/$file")
    size_mb=$(awk -v s="$size" 'BEGIN { printf "%.2f", s / 1048576 }')
    json="{\"id\":$id,\"filename\":\"$file\",\"slug\":\"$(slugify "$file")\",\"filemtime\":$mtime"
    json+=",\"ustadz\":\"$ustadz\",\"judul\":\"$judul\",\"size_bytes\":$size,\"size_mb\":$size_mb"
    json+=",\"duration_seconds\":$seconds"
    if [[ $duration_formatted_done == n ]]; then
        json+=",\"duration_formatted\":\"$(printf '%02d:%02d' $((seconds / 60)) $((seconds % 60)))\""
        duration_formatted_done=y
    fi
    [[ $views != - ]] && json+=",\"views\":$views"
    if [[ $direct == y ]]; then
        json+=",\"direct_url\":\"https://media.kajian.example/audio/$(slugify "$file").mp3\""
    fi
    entries+=("$json}")
done

{
    printf '{"status":"success","total_files":%d,"data":[\n' "${#entries[@]}"
    for i in "${!entries[@]}"; do
        [[ $i -gt 0 ]] && printf ',\n'
        printf '%s' "${entries[$i]}"
    done
    printf '\n]}\n'
} >"$work/library.json"
# Last, so an interrupted run leaves no library.json and the next run starts again.
mv "$work/library.json" "$folder/library.json"
