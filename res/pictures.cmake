# The controller picture (RCDATA 160), its highlight overlays (RCDATA 166-189) and the
# slot-button bitmaps (BITMAP 133, 135-157), and all of them at 200 % (RCDATA 400), drawn
# by one generator run.
set(picture_files ${generated}/controller.bmp ${generated}/pictures_2x.z)
foreach(id RANGE 166 189)
  list(APPEND picture_files ${generated}/overlay_${id}.bmp)
endforeach()
foreach(id 133 135 136 137 138 139 140 141 142 143 144 145 146 147 148 149 150 151 152 153 154 155 156 157)
  list(APPEND picture_files ${generated}/slot_${id}.bmp)
endforeach()
add_custom_command(OUTPUT ${picture_files}
                   COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/tools/make_pictures.py ${generated}
                   DEPENDS ${PROJECT_SOURCE_DIR}/tools/make_pictures.py
                   COMMENT "Drawing the controller picture, its overlays and the slot buttons")
list(APPEND GENERATED_RESOURCES ${picture_files})
