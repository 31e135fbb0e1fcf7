target_sources(quarvel_gui PRIVATE
)
